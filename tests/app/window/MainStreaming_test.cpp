// The OpenIGTLink server in the window: switched from the Options menu, fed
// with every frame shown, and a port already taken reported with the option
// left off.

#include "WindowTestSupport.h"
#include "streaming/IGTLinkServer.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(MainStreaming, TheMenuStartsTheServerWhichGetsEachFrameShownAndATakenPortIsReported) {
  test::TWindowTestWorld World;
  TMain Main(World.Environment());
  Main.MutableOptions().IGTLinkPort = 0; // any free port
  Main.MenuAction("OpenIGTLink server")->trigger();
  ASSERT_NE(Main.StreamingServer(), nullptr);
  EXPECT_EQ(Main.StreamingServer()->Address(), "127.0.0.1");

  TImagerProcedure Procedure;
  for (int I = 0; I < 3; ++I)
    Procedure.AddFrame().Time = I / 86400.0;
  const std::string Recording = QDir(World.Folder.path()).filePath("rec.img").toStdString();
  Procedure.SaveToFile(Recording);
  Main.OpenImagerFile(Recording);
  Main.StepFrame(1);
  Main.Update();
  Main.Update(); // the same frame again: nothing new to send
  Main.StreamingServer()->WaitUntilIdle(std::chrono::seconds(5));
  EXPECT_EQ(Main.StreamingServer()->Statistics().FramesPublished, 2u);

  // Another workstation on the same port cannot listen there.
  TMain Second(World.Environment());
  Second.MutableOptions().IGTLinkPort = Main.StreamingServer()->Port();
  Second.MenuAction("OpenIGTLink server")->trigger();
  EXPECT_EQ(Second.StreamingServer(), nullptr);
  EXPECT_FALSE(Second.Options().IGTLinkServer);
  EXPECT_EQ(World.User.Texts().back().rfind(StreamingFailedMessage, 0), 0u)
      << World.User.Texts().back();

  Main.MenuAction("OpenIGTLink server")->trigger();
  EXPECT_EQ(Main.StreamingServer(), nullptr);
}

} // namespace
} // namespace kestrava
