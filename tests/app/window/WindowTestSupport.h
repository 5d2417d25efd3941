#pragma once
// What a main window under test stands in: option stores in memory, scripted
// message answers, no platform services, and a private working directory.

#include "app/window/Main.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"

#include <QDir>
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

  // "rec.img" in the folder: Frames frames a second apart, pain 0, 1, 2...
  std::string WritePainRecording(int Frames) {
    TImagerProcedure Procedure;
    for (int I = 0; I < Frames; ++I) {
      TImagerFrame& Frame = Procedure.AddFrame();
      Frame.Time = I / 86400.0;
      Frame.Pain = I;
    }
    return Procedure.SaveToFile(QDir(Folder.path()).filePath("rec.img").toStdString());
  }

  QTemporaryDir Folder;
  TMemoryOptionStore UserOptions, MachineOptions;
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
};

} // namespace kestrava::test
