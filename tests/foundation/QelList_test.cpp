#include "TestItems.h"
#include "foundation/QelExceptions.h"
#include "foundation/QelList.h"

#include <algorithm>
#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace testing; // the list's test items

std::vector<std::string> NamesOf(const TQelList& List) {
  std::vector<std::string> Names;
  Names.reserve(static_cast<std::size_t>(List.Count()));
  for (std::int32_t I = 0; I < List.Count(); ++I) {
    Names.push_back(List.Items(I)->GetName());
  }
  return Names;
}

TEST(QelList, CapacityGrowsByTheFixedSequence) {
  TQelList List(false);
  std::vector<std::int32_t> Seen{List.Capacity()};
  for (int I = 0; I < 77; ++I) {
    List.Add(static_cast<TQelObject*>(nullptr));
    if (List.Capacity() != Seen.back()) {
      Seen.push_back(List.Capacity());
    }
  }
  EXPECT_EQ(Seen, (std::vector<std::int32_t>{0, 4, 8, 12, 28, 44, 60, 76, 95}));
  EXPECT_THROW(List.SetCapacity(List.Count() - 1), E_Qel_InvalidListItemIndex);
}

TEST(QelList, NotifiesAddDeleteExtractAndClearInTheirOrder) {
  int Destroyed = 0; // outlives the lists below
  TRecordingList List;
  TNamed* const A = AddNamed(List, "a", 0, &Destroyed);
  List.Delete(0); // added before storing, deleted around the subscribers
  EXPECT_EQ(List.Log,
            (std::vector<TEvent>{
                {"added", A, 0}, {"about", A, 1}, {"subscriber", A, 1}, {"deleted", nullptr, 1}}));
  EXPECT_EQ(Destroyed, 1);

  TNamed* const B = AddNamed(List, "b");
  List.Log.clear();
  std::unique_ptr<TQelObject> Taken = List.ExtractOwned(0); // no delete notifications
  EXPECT_TRUE(Taken.get() == B && Taken->Parent() == nullptr);
  EXPECT_EQ(List.Log, (std::vector<TEvent>{{"extracted", B, 0}}));

  TNamed* const C = AddNamed(List, "c", 0, &Destroyed);
  TNamed* const D = AddNamed(List, "d", 0, &Destroyed);
  List.Log.clear();
  List.ClearNotifying(); // last first
  EXPECT_EQ(Destroyed, 3);
  ASSERT_EQ(List.Log.size(), 6u);
  EXPECT_EQ(List.Log[0], (TEvent{"about", D, 2}));
  EXPECT_EQ(List.Log[3], (TEvent{"about", C, 1}));
  AddNamed(List, "e", 0, &Destroyed);
  List.Log.clear();
  List.Clear(); // silently
  EXPECT_TRUE(Destroyed == 4 && List.Log.empty());
}

TEST(QelList, RefusedItemsStayWithTheirOwnerAndLeaveTheListUnchanged) {
  int Destroyed = 0; // outlives the lists below
  TQelList First;
  TQelList Second;
  TNamed* const Owned = AddNamed(First, "owned");
  TNamed* const Kept = AddNamed(Second, "kept", 0, &Destroyed);
  EXPECT_THROW(Second.Add(Owned), E_Qel_ListItemIsAlreadyOwned);
  EXPECT_THROW(Second.SetItem(0, Owned), E_Qel_ListItemIsAlreadyOwned);
  EXPECT_TRUE(First.Items(0) == Owned && Second.Items(0) == Kept);
  Second.SetItem(0, Kept); // storing an item over itself must not free it
  EXPECT_EQ(Destroyed, 0);
  EXPECT_THROW(Second.Add(&Second), E_Qel_InvalidArg); // a list never owns itself

  TRecordingList Refusing;
  Refusing.RefuseAdds = true;
  EXPECT_THROW(Refusing.Add(std::make_unique<TNamed>("x", 0, &Destroyed)), E_Qel_InvalidData);
  EXPECT_TRUE(Destroyed == 1 && Refusing.Count() == 0); // freed by the caller's pointer
}

TEST(QelList, ChecksIndexesAndWrapsCircularOnes) {
  TQelList List;
  EXPECT_THROW(List.Items(0), E_Qel_InvalidListItemIndex);
  for (int I = 0; I < 5; ++I) {
    AddNamed(List, std::to_string(I));
  }
  EXPECT_THROW(List.Items(5), E_Qel_InvalidListItemIndex);
  EXPECT_THROW(List.Insert(6, static_cast<TQelObject*>(nullptr)), E_Qel_InvalidListItemIndex);

  List.SetCircular(true);
  EXPECT_EQ(List.Items(-1)->GetName(), "4");
  EXPECT_EQ(List.Items(12)->GetName(), "2");
  EXPECT_EQ(List.Items(-2'000'000'001)->GetName(), "4");
  List.Delete(-5); // wraps to slot 0
  EXPECT_EQ(NamesOf(List), (std::vector<std::string>{"1", "2", "3", "4"}));

  TQelList Empty;
  Empty.SetCircular(true);
  EXPECT_THROW(Empty.Items(-1), E_Qel_InvalidListItemIndex);
}

TEST(QelList, ItemIndexFollowsEveryChangeOfOrder) {
  TQelList List;
  List.Add(static_cast<TQelObject*>(nullptr));
  TNamed* const A = AddNamed(List, "a");
  TNamed* const B = AddNamed(List, "b");
  EXPECT_TRUE(ItemIndex(B) == 2 && List.IndexValid());
  List.Delete(0); // an empty slot still moves the ones after it
  EXPECT_TRUE(!List.IndexValid() && B->Index() == 1);
  List.Exchange(0, 1);
  EXPECT_EQ(ItemIndex(A), 1);
  List.Insert(0, std::make_unique<TNamed>("c", 0));
  EXPECT_EQ(std::pair(ItemIndex(B), ItemIndex(A)), std::pair(1, 2));

  TNamed Loose;
  EXPECT_THROW(ItemIndex(nullptr), E_Qel_ObjectPointerIsNil);
  EXPECT_THROW(ItemIndex(&Loose), E_Qel_ListItemHasNoParent);
}

TEST(QelList, SetCountMakesItemsOfTheItemClassAndFreesTheSurplus) {
  int Destroyed = 0; // outlives the lists below
  TQelListOf<TNamed> Owning;
  Owning.SetCount(3);
  ASSERT_EQ(Owning.Count(), 3);
  Owning.At(1).Destroyed = &Destroyed;
  Owning.At(2).Destroyed = &Destroyed;
  Owning.SetCount(1);
  EXPECT_EQ(Destroyed, 2);
  EXPECT_THROW(Owning.SetCount(-1), E_Qel_InvalidListItemIndex);

  TQelList References(false);
  References.SetCount(2);
  EXPECT_EQ(References.Items(1), nullptr);
}

TEST(QelList, AssignCopiesOwnedItemsAndSharesReferencesOtherwise) {
  TQelListOf<TNamed> Source;
  AddNamed(Source, "a", 1);
  AddNamed(Source, "b", 2);

  TQelListOf<TNamed> Copy;
  AddNamed(Copy, "old", 9);
  AddNamed(Copy, "old", 9);
  Copy.Assign(Source, true);
  EXPECT_TRUE(Copy.IsEqual(Source) && &Copy.At(0) != &Source.At(0));

  for (const bool Deep : {true, false}) {
    TQelList References(false);
    References.Assign(Source, Deep);
    ASSERT_EQ(References.Count(), 2);
    EXPECT_EQ(References.Items(1), &Source.At(1));
  }
  Copy.At(1).Value = 5;
  EXPECT_FALSE(Copy.IsEqual(Source));
  EXPECT_THROW(Copy.IsEqual(Copy), E_Qel_InvalidArg);
  EXPECT_THROW(Copy.Assign(Copy, true), E_Qel_InvalidArg);
  EXPECT_THROW(Copy.Assign(Source.At(0), true), E_Qel_InvalidObjectType);
}

TEST(QelList, UpdateMergesByNameKeepingSurvivorsAndSourceOrder) {
  int Destroyed = 0; // outlives the lists below
  TQelListOf<TNamed> Target;
  AddNamed(Target, "A", 1, &Destroyed); // the duplicate nearer the end is kept
  AddNamed(Target, "B", 2, &Destroyed);
  TNamed* const C = AddNamed(Target, "C", 3, &Destroyed);
  TNamed* const A = AddNamed(Target, "A", 4, &Destroyed);

  TQelListOf<TNamed> Source;
  AddNamed(Source, "c", 30);
  AddNamed(Source, "D", 40);
  AddNamed(Source, "a", 10);
  Target.Update(Source, true);

  EXPECT_EQ(NamesOf(Target), (std::vector<std::string>{"c", "D", "a"}));
  EXPECT_TRUE(&Target.At(0) == C && &Target.At(2) == A && Target.At(0).Value == 30);
  EXPECT_EQ(Destroyed, 2); // B and the unclaimed duplicate, nothing leaked
  EXPECT_THROW(Target.Update(Target, true), E_Qel_InvalidArg);
}

TEST(QelList, FindByNameSearchesDepthFirstIgnoringCase) {
  TNamedList Root("root");
  auto Branch = std::make_unique<TNamedList>("branch");
  auto Leaf = std::make_unique<TNamedList>("Leaf");
  TNamedList* const LeafRaw = Leaf.get();
  Branch->Add(std::move(Leaf));
  Root.Add(std::move(Branch));
  Root.Add(std::make_unique<TNamedList>("leaf"));

  EXPECT_TRUE(Root.FindByName("LEAF", true) == LeafRaw && !Root.FindByName("nowhere", true));
  EXPECT_EQ(Root.FindByName("Leaf", false)->GetName(), "leaf");

  TQelList Flat;
  AddNamed(Flat, "x");
  EXPECT_THAT([&Flat] { Flat.FindByName("y", true); },
              ::testing::ThrowsMessage<E_Qel>(
                  "Cannot search children as the objects contained in the list are not lists."));
  EXPECT_NE(Flat.FindByName("X", true), nullptr); // a match needs no children
}

TEST(QelList, SortOrdersAnyPermutationLeavesOrderedListsAloneAndSurvivesABadCompare) {
  TRecordingList List;
  std::vector<int> Values(300);
  std::generate(Values.begin(), Values.end(), [N = 0]() mutable { return N++ % 37; });
  std::shuffle(Values.begin(), Values.end(), std::mt19937(7));
  for (std::size_t I = 0; I < Values.size(); ++I) {
    AddNamed(List, std::to_string(I), Values[I]);
  }
  List.Sort();
  for (std::int32_t I = 1; I < List.Count(); ++I) {
    EXPECT_LE(static_cast<TNamed*>(List.Items(I - 1))->Value,
              static_cast<TNamed*>(List.Items(I))->Value);
  }
  // Ordered, with runs of equals: one look at each neighbouring pair and nothing moves.
  const std::vector<std::string> Before = NamesOf(List);
  int Calls = 0;
  List.Sort(
      [](void* Data, const TQelObject* A, const TQelObject* B) {
        ++*static_cast<int*>(Data);
        return static_cast<const TNamed*>(A)->Value - static_cast<const TNamed*>(B)->Value;
      },
      &Calls);
  EXPECT_EQ(Calls, 299);
  EXPECT_EQ(NamesOf(List), Before);
  // A compare function that contradicts itself must not run off the slots,
  // nor lose, duplicate or invent an item: the same items in some order.
  const auto ItemsOf = [&List] {
    std::vector<const TQelObject*> Items(static_cast<std::size_t>(List.Count()));
    for (std::int32_t I = 0; I < List.Count(); ++I) {
      Items[static_cast<std::size_t>(I)] = List.Items(I);
    }
    std::sort(Items.begin(), Items.end());
    return Items;
  };
  const std::vector<const TQelObject*> Held = ItemsOf();
  std::mt19937 Random(3);
  List.Sort(
      [](void* Data, const TQelObject*, const TQelObject*) {
        return static_cast<int>((*static_cast<std::mt19937*>(Data))() % 3) - 1;
      },
      &Random);
  EXPECT_EQ(ItemsOf(), Held);
}

} // namespace
} // namespace kestrava
