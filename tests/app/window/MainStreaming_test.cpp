// The OpenIGTLink server in the window: switched from the Options menu, fed
// with every frame shown, and a port already taken reported with the option
// left off.

#include "app/window/Main.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "streaming/IGTLinkServer.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(MainStreaming, TheMenuStartsTheServerWhichGetsEachFrameShownAndATakenPortIsReported) {
  QTemporaryDir Folder;
  TMemoryOptionStore UserOptions, MachineOptions;
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TMain Main({UserOptions,
              MachineOptions,
              User,
              Platform,
              KESTRAVA_PROGRAM_DIR,
              Folder.path().toStdString(),
              32,
              {},
              {},
              nullptr,
              {},
              {}});
  Main.MutableOptions().IGTLinkPort = 0; // any free port
  Main.MenuAction("OpenIGTLink server")->trigger();
  ASSERT_NE(Main.StreamingServer(), nullptr);
  EXPECT_EQ(Main.StreamingServer()->Address(), "127.0.0.1");

  TImagerProcedure Procedure;
  for (int I = 0; I < 3; ++I)
    Procedure.AddFrame().Time = I / 86400.0;
  const std::string Recording = QDir(Folder.path()).filePath("rec.img").toStdString();
  Procedure.SaveToFile(Recording);
  Main.OpenImagerFile(Recording);
  Main.StepFrame(1);
  Main.Update();
  Main.Update(); // the same frame again: nothing new to send
  Main.StreamingServer()->WaitUntilIdle(std::chrono::seconds(5));
  EXPECT_EQ(Main.StreamingServer()->Statistics().FramesPublished, 2u);

  // Another workstation on the same port cannot listen there.
  TMain Second({UserOptions,
                MachineOptions,
                User,
                Platform,
                KESTRAVA_PROGRAM_DIR,
                Folder.path().toStdString(),
                32,
                {},
                {},
                nullptr,
                {},
                {}});
  Second.MutableOptions().IGTLinkPort = Main.StreamingServer()->Port();
  Second.MenuAction("OpenIGTLink server")->trigger();
  EXPECT_EQ(Second.StreamingServer(), nullptr);
  EXPECT_FALSE(Second.Options().IGTLinkServer);
  EXPECT_EQ(User.Texts().back().rfind(StreamingFailedMessage, 0), 0u) << User.Texts().back();

  Main.MenuAction("OpenIGTLink server")->trigger();
  EXPECT_EQ(Main.StreamingServer(), nullptr);
}

} // namespace
} // namespace kestrava
