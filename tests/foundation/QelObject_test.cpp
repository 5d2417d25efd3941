#include "TestItems.h"
#include "foundation/QelExceptions.h"
#include "foundation/QelObject.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using testing::TNamed;

TEST(QelObject, ReferenceCountingDestroysOnTheLastRelease) {
  int Destroyed = 0;
  auto Item = std::make_unique<TNamed>("x", 0, &Destroyed);
  EXPECT_EQ(Item->AddRef(), 0); // not counted until asked
  EXPECT_EQ(Item->RefCount(), 0);

  Item->SetRefCounted(true);
  void* Interface = nullptr;
  ASSERT_EQ(Item->QueryInterface(IID_IUnknown, &Interface), S_OK);
  EXPECT_EQ(Interface, Item.get());
  EXPECT_EQ(Item->AddRef(), 2);
  EXPECT_EQ(Item->Release(), 1);
  TNamed* const Raw = Item.release(); // the last reference owns it now
  EXPECT_EQ(Raw->Release(), 0);
  EXPECT_EQ(Destroyed, 1);
}

TEST(QelObject, RejectsAReleaseBelowZeroAndUnknownInterfaces) {
  TNamed Item;
  Item.SetRefCounted(true);
  EXPECT_THROW(Item.Release(), E_Qel_InvalidReferenceCount);
  EXPECT_EQ(Item.RefCount(), 0);

  void* Interface = &Item;
  EXPECT_EQ(Item.QueryInterface(TGuid{1, 2, 3, {}}, &Interface), E_NOINTERFACE);
  EXPECT_EQ(Interface, nullptr);
}

TEST(QelObject, AnOwnedObjectOutlivesItsLastReference) {
  int Destroyed = 0; // outlives the list
  TQelList List;
  auto Item = std::make_unique<TNamed>("x", 0, &Destroyed);
  Item->SetRefCounted(true);
  TNamed* const Raw = Item.get();
  List.Add(std::move(Item));
  Raw->AddRef();
  EXPECT_EQ(Raw->Release(), 0);
  EXPECT_EQ(Destroyed, 0);
  EXPECT_EQ(List.Items(0), Raw);
  List.Delete(0);
  EXPECT_EQ(Destroyed, 1);
}

TEST(QelExceptions, FormAHierarchyWhoseTextNamesTheClass) {
  try {
    throw E_Qel_ErrorOpeningFileForReading();
  } catch (const E_Qel_ErrorOpeningFile& Error) {
    EXPECT_STREQ(Error.what(), "E_Qel_ErrorOpeningFileForReading");
  }
  EXPECT_THROW(throw E_Qel_ErrorOpeningFileForWriting(), E_Qel);
  EXPECT_THROW(throw E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector(), E_Qel_Maths);
  EXPECT_STREQ(E_Qel_Maths().what(), "E_Qel_Maths");
}

} // namespace
} // namespace kestrava
