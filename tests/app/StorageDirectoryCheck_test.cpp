// The storage directory checks before a recording: a file in the way, a
// missing directory with each answer, a missing parent.

#include "app/StorageDirectoryCheck.h"
#include "foundation/UserInteraction.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

class StorageDirectoryCheck : public ::testing::Test {
protected:
  QTemporaryDir Temporary;
  std::filesystem::path Root = Temporary.path().toStdString();
  TScriptedUserInteraction User;
};

TEST_F(StorageDirectoryCheck, AnExistingDirectoryPassesAndAFileIsRefused) {
  EXPECT_TRUE(EnsureStorageDirectory(Root.string(), User));
  EXPECT_TRUE(User.Messages().empty());
  std::ofstream(Root / "file") << "x";
  EXPECT_FALSE(EnsureStorageDirectory((Root / "file").string(), User));
  EXPECT_EQ(User.Texts(), std::vector<std::string>{StoragePathIsFileMessage});
}

TEST_F(StorageDirectoryCheck, AMissingDirectoryIsMadeOnlyOnYesAndNeverWithItsParents) {
  const std::string Missing = (Root / "new").string();
  for (const TMessageAnswer Declined : {TMessageAnswer::No, TMessageAnswer::Cancel}) {
    User.QueueAnswer(Declined);
    EXPECT_FALSE(EnsureStorageDirectory(Missing, User));
  }
  EXPECT_FALSE(std::filesystem::exists(Missing));
  EXPECT_EQ(User.Messages().back().Text, StorageDirectoryMissingQuestion(Missing));
  EXPECT_EQ(User.Messages().back().Buttons, TMessageButtons::YesNoCancel);

  User.QueueAnswer(TMessageAnswer::Yes);
  EXPECT_TRUE(EnsureStorageDirectory(Missing, User));
  EXPECT_TRUE(std::filesystem::is_directory(Missing));

  User.ClearMessages();
  User.QueueAnswer(TMessageAnswer::Yes);
  EXPECT_FALSE(EnsureStorageDirectory((Root / "a" / "b").string(), User));
  EXPECT_EQ(User.Texts().back(), CreateDirectoryFailedMessage);
  EXPECT_FALSE(std::filesystem::exists(Root / "a"));
}

} // namespace
} // namespace kestrava
