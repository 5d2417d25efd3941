#include "TestItems.h"
#include "foundation/QelExceptions.h"
#include "foundation/QelObject.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using testing::TNamed;

TEST(QelObject, DestroysOnTheLastReleaseAndRejectsReleasesBelowZeroAndUnknownInterfaces) {
  int Destroyed = 0;
  auto Item = std::make_unique<TNamed>("x", 0, &Destroyed);
  EXPECT_TRUE(Item->AddRef() == 0 && Item->RefCount() == 0); // not counted until asked

  Item->SetRefCounted(true);
  void* Interface = nullptr;
  ASSERT_EQ(Item->QueryInterface(IID_IUnknown, &Interface), S_OK);
  EXPECT_EQ(Interface, Item.get());
  EXPECT_EQ(Item->AddRef(), 2);
  EXPECT_EQ(Item->Release(), 1);
  TNamed* const Raw = Item.release(); // the last reference owns it now
  EXPECT_TRUE(Raw->Release() == 0 && Destroyed == 1);

  TNamed Counted;
  Counted.SetRefCounted(true);
  EXPECT_THROW(Counted.Release(), E_Qel_InvalidReferenceCount);
  EXPECT_EQ(Counted.RefCount(), 0);
  Interface = &Counted;
  EXPECT_EQ(Counted.QueryInterface(TGuid{1, 2, 3, {}}, &Interface), E_NOINTERFACE);
  EXPECT_EQ(Interface, nullptr);
}

TEST(QelObject, AnOwnedObjectOutlivesItsLastReference) {
  int Destroyed = 0; // outlives the list
  TQelList List;
  TNamed* const Raw = testing::AddNamed(List, "x", 0, &Destroyed);
  Raw->SetRefCounted(true);
  Raw->AddRef();
  EXPECT_TRUE(Raw->Release() == 0 && Destroyed == 0 && List.Items(0) == Raw);
  List.Delete(0);
  EXPECT_EQ(Destroyed, 1);
}

TEST(QelExceptions, FormAHierarchyWhoseTextNamesTheClass) {
  EXPECT_THROW(throw E_Qel_ErrorOpeningFileForReading(), E_Qel_ErrorOpeningFile);
  EXPECT_STREQ(E_Qel_ErrorOpeningFileForReading().what(), "E_Qel_ErrorOpeningFileForReading");
  EXPECT_THROW(throw E_Qel_ErrorOpeningFileForWriting(), E_Qel);
  EXPECT_THROW(throw E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector(), E_Qel_Maths);
  EXPECT_STREQ(E_Qel_Maths().what(), "E_Qel_Maths");
}

} // namespace
} // namespace kestrava
