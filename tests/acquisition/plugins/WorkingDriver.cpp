#include "WorkingDriver.h"
