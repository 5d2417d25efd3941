#pragma once
// What a main window under test stands in: option stores in memory, scripted
// message answers, no platform services, and a private working directory.

#include "app/window/Main.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"

#include <QTemporaryDir>
#include <string>

namespace kestrava::test {

struct TWindowTestWorld {
  // The window's surroundings with the program directory of the build (its
  // driver plugins and calibration set).
  TMainEnvironment Environment(std::string ProgramDirectory = KESTRAVA_PROGRAM_DIR) {
    return {UserOptions,
            MachineOptions,
            User,
            Platform,
            std::move(ProgramDirectory),
            Folder.path().toStdString(),
            32,
            {},
            {},
            nullptr,
            {},
            {}};
  }

  QTemporaryDir Folder;
  TMemoryOptionStore UserOptions, MachineOptions;
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
};

} // namespace kestrava::test
