// The OpenIGTLink server in the window: switched from the Options menu, fed
// with every frame shown, a port already taken reported with the option
// left off, and its state in the status bar.

#include "WindowTestSupport.h"
#include "streaming/IGTLinkServer.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(MainStreaming, TheMenuStartsTheServerWhichGetsEachFrameShownAndATakenPortIsReported) {
  test::TWindowTestWorld World;
  TMain Main(World.Environment());
  Main.MutableOptions().IGTLinkPort = 0; // any free port
  Main.Menus().OpenIGTLinkServer->trigger();
  ASSERT_NE(Main.StreamingServer(), nullptr);
  EXPECT_EQ(Main.StreamingServer()->Address(), "127.0.0.1");

  Main.OpenImagerFile(World.WritePainRecording(3));
  Main.StepFrame(1);
  Main.Update();
  Main.Update(); // the same frame again: nothing new to send
  Main.StreamingServer()->WaitUntilIdle(std::chrono::seconds(5));
  EXPECT_EQ(Main.StreamingServer()->Statistics().FramesPublished, 2u);

  // Another workstation on the same port cannot listen there.
  TMain Second(World.Environment());
  Second.MutableOptions().IGTLinkPort = Main.StreamingServer()->Port();
  Second.Menus().OpenIGTLinkServer->trigger();
  EXPECT_EQ(Second.StreamingServer(), nullptr);
  EXPECT_FALSE(Second.Options().IGTLinkServer);
  EXPECT_EQ(World.User.Texts().back().rfind(StreamingFailedMessage, 0), 0u)
      << World.User.Texts().back();

  Main.Menus().OpenIGTLinkServer->trigger();
  EXPECT_EQ(Main.StreamingServer(), nullptr);
}

TEST(MainStreaming, ThePanelSaysWhetherTheServerRunsWhereAndForHowManyClients) {
  test::TWindowTestWorld World;
  TMain Main(World.Environment());
  EXPECT_EQ(Main.StreamPanelText(), "IGTLink: off");
  Main.MutableOptions().IGTLinkPort = 0;
  Main.Menus().OpenIGTLinkServer->trigger();
  const QString Listening = QString("IGTLink: 127.0.0.1:%1, ").arg(Main.StreamingServer()->Port());
  EXPECT_EQ(Main.StreamPanelText(), Listening + "no clients");

  // A navigation program connects; the window looks once a second.
  const int Client = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_port = htons(Main.StreamingServer()->Port());
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(Client, reinterpret_cast<const sockaddr*>(&Address), sizeof Address), 0);
  QElapsedTimer Clock;
  Clock.start();
  while (Main.StreamPanelText() != Listening + "1 client" && Clock.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(Main.StreamPanelText(), Listening + "1 client");
  ::close(Client);

  Main.Menus().OpenIGTLinkServer->trigger();
  EXPECT_EQ(Main.StreamPanelText(), "IGTLink: off");
}

} // namespace
} // namespace kestrava
