#include "ThrowingDriver.h"
