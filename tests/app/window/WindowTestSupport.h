#pragma once
// What a main window under test stands in: option stores in memory, scripted
// message answers, no platform services, and a private working directory.

#include "app/window/Main.h"
#include "controls/ScrollableStringList.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <memory>
#include <string>

namespace kestrava::test {

constexpr const char* SimulatorDriverId = "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A01}";

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

  // The window at 1000 x 700, shown and active: keys reach it as typed.
  static std::unique_ptr<TMain> Show(TMainEnvironment Surroundings) {
    auto Main = std::make_unique<TMain>(std::move(Surroundings));
    Main->resize(1000, 700);
    Main->show();
    Main->activateWindow();
    QApplication::processEvents();
    return Main;
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

// A key as the keyboard delivers it: to the widget with the focus, which is
// where the window's key preview sees it.
inline void SendKey(QEvent::Type Type, int Key, Qt::KeyboardModifiers Modifiers = {}) {
  QKeyEvent Event(Type, Key, Modifiers);
  QWidget* Focus = QApplication::focusWidget();
  QApplication::sendEvent(Focus != nullptr ? Focus : QApplication::activeWindow(), &Event);
}

// The information box's first line that starts with Label; empty when none.
inline std::string InfoBoxLine(TMain& Main, const std::string& Label) {
  for (std::int32_t I = 0; I < Main.InfoBox().NumItems(); ++I)
    if (Main.InfoBox().Line(I).starts_with(Label))
      return Main.InfoBox().Line(I);
  return {};
}

} // namespace kestrava::test
