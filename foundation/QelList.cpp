#include "foundation/QelList.h"

#include "foundation/QelExceptions.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace kestrava {

namespace {

// Names are compared the way the operator types them: letter case ignored.
bool SameName(const std::string& A, const std::string& B) {
  return A.size() == B.size() &&
         std::equal(A.begin(), A.end(), B.begin(), [](unsigned char X, unsigned char Y) {
           return std::tolower(X) == std::tolower(Y);
         });
}

// Frees an item that an owning list has let go of.
void FreeItem(TQelObject* Item) {
  std::unique_ptr<TQelObject> Doomed(Item);
}

} // namespace

// ---- TNotificationSubscribers ----

std::int32_t TNotificationSubscribers::Subscribe(Callback Subscriber) {
  if (!Subscriber) {
    throw E_Qel_ObjectPointerIsNil();
  }
  const std::int32_t Handle = NextHandle_++;
  Subscribers_.push_back(Entry{Handle, std::move(Subscriber)});
  return Handle;
}

void TNotificationSubscribers::Unsubscribe(std::int32_t Handle) {
  std::erase_if(Subscribers_, [Handle](const Entry& E) { return E.Handle == Handle; });
}

void TNotificationSubscribers::NotifyAll(TQelObject* Item) const {
  // A snapshot, so that a subscriber may unsubscribe (or subscribe others)
  // from inside its own callback.
  const std::vector<Entry> Snapshot = Subscribers_;
  for (const Entry& E : Snapshot) {
    E.Call(Item);
  }
}

void TNotificationSubscribers::Clear() {
  Subscribers_.clear();
}

// ---- TQelList: construction ----

TQelList::TQelList(bool OwnsObjects, const TQelClass* ItemClass)
    : ItemClass_(ItemClass), OwnsObjects_(OwnsObjects) {}

TQelList::~TQelList() {
  TQelList::Clear();
}

std::unique_ptr<TQelObject> TQelList::CreateNew() const {
  return std::make_unique<TQelList>(OwnsObjects_, ItemClass_);
}

void TQelList::ThrowNilItem() {
  throw E_Qel_ObjectPointerIsNil();
}

// ---- checks ----

std::int32_t TQelList::SlotOf(std::int32_t Index) const {
  if (Circular_) {
    if (Count_ == 0) {
      throw E_Qel_InvalidListItemIndex();
    }
    // Same result as adding or subtracting Count until in range, without
    // the loop that a far-out index would spin in.
    const std::int32_t Wrapped = Index % Count_;
    return Wrapped < 0 ? Wrapped + Count_ : Wrapped;
  }
  if (Index < 0 || Index >= Count_) {
    throw E_Qel_InvalidListItemIndex();
  }
  return Index;
}

void TQelList::CheckInsertIndex(std::int32_t Index) const {
  if (Index < 0 || Index > Count_) {
    throw E_Qel_InvalidListItemIndex();
  }
}

void TQelList::CheckClass(const TQelObject* Item) const {
  if (Item != nullptr && ItemClass_ != nullptr && !ItemClass_->IsInstance(*Item)) {
    throw E_Qel_InvalidObjectType();
  }
}

void TQelList::CheckNotOwnedElsewhere(const TQelObject* Item) const {
  if (!OwnsObjects_ || Item == nullptr) {
    return;
  }
  if (Item->Parent_ != nullptr) {
    throw E_Qel_ListItemIsAlreadyOwned();
  }
  // A list that owned itself or one of its owners would free itself.
  for (const TQelObject* Owner = this; Owner != nullptr; Owner = Owner->Parent_) {
    if (Owner == Item) {
      throw E_Qel_InvalidArg();
    }
  }
}

// ---- the inner steps ----

void TQelList::AddingStep(TQelObject* Item) {
  if (OwnsObjects_) {
    IndexValid_ = false;
    CheckNotOwnedElsewhere(Item);
    if (Item != nullptr) {
      Item->Parent_ = this;
    }
  }
  try {
    Notify(Item, TListNotification::Added);
  } catch (...) {
    // The item was never stored: it stays the caller's.
    if (OwnsObjects_ && Item != nullptr) {
      Item->Parent_ = nullptr;
    }
    throw;
  }
}

void TQelList::DeletingStep(std::int32_t Slot) {
  TQelObject* const Item = Slots_[Slot];
  if (OwnsObjects_) {
    IndexValid_ = false;
  }
  Notify(Item, TListNotification::AboutToBeDeleted);
  if (OwnsObjects_) {
    Item->ClearNotifying();
    Subscribers_.NotifyAll(Item);
    // Empty the slot before freeing, so that a failure from here on can
    // never leave a dangling pointer behind.
    Slots_[Slot] = nullptr;
    Item->Parent_ = nullptr;
    FreeItem(Item);
  }
  Notify(nullptr, TListNotification::Deleted);
}

void TQelList::RemoveSlot(std::int32_t Slot) {
  std::move(Slots_.begin() + Slot + 1, Slots_.begin() + Count_, Slots_.begin() + Slot);
  --Count_;
  Slots_[Count_] = nullptr;
  // Every later item moved, even when the removed slot was empty.
  IndexValid_ = false;
}

void TQelList::FreeAllSilently() {
  for (std::int32_t I = 0; I < Count_; ++I) {
    TQelObject* const Item = std::exchange(Slots_[I], nullptr);
    if (Item != nullptr) {
      Item->Parent_ = nullptr;
      FreeItem(Item);
    }
  }
}

// ---- capacity and count ----

void TQelList::SetCapacity(std::int32_t NewCapacity) {
  if (NewCapacity < Count_ || NewCapacity >= MaxCapacity) {
    throw E_Qel_InvalidListItemIndex();
  }
  if (NewCapacity != Capacity()) {
    Slots_.resize(static_cast<std::size_t>(NewCapacity), nullptr);
  }
}

void TQelList::Grow() {
  const std::int32_t Current = Capacity();
  const std::int32_t Delta = Current >= 65 ? Current / 4 : (Current >= 9 ? 16 : 4);
  // Near the ceiling take what is left rather than refuse a last few slots.
  const std::int32_t Next = std::min<std::int64_t>(std::int64_t{Current} + Delta, MaxCapacity - 1);
  if (Next <= Current) {
    throw E_Qel_InvalidListItemIndex();
  }
  SetCapacity(Next);
}

std::unique_ptr<TQelObject> TQelList::NewItem() const {
  std::unique_ptr<TQelObject> Item = ItemClass_ != nullptr ? ItemClass_->Create() : nullptr;
  if (Item == nullptr) {
    throw E_Qel_ObjectFailedToCreate();
  }
  return Item;
}

void TQelList::SetCount(std::int32_t NewCount) {
  if (NewCount < 0 || NewCount >= MaxCapacity) {
    throw E_Qel_InvalidListItemIndex();
  }
  if (NewCount > Capacity()) {
    SetCapacity(NewCount);
  }
  while (Count_ > NewCount) {
    Delete(Count_ - 1);
  }
  while (Count_ < NewCount) {
    if (OwnsObjects_) {
      Add(NewItem());
    } else {
      Add(static_cast<TQelObject*>(nullptr));
    }
  }
}

void TQelList::Notify(TQelObject* /*Item*/, TListNotification /*Action*/) {}

int TQelList::Compare(const TQelObject* /*Item1*/, const TQelObject* /*Item2*/) const {
  throw E_Qel_NotImplemented();
}

// ---- adding ----

std::int32_t TQelList::Add(TQelObject* Item) {
  CheckClass(Item);
  if (Count_ == Capacity()) {
    Grow();
  }
  AddingStep(Item);
  Slots_[Count_] = Item;
  return Count_++;
}

std::int32_t TQelList::Add(std::unique_ptr<TQelObject> Item) {
  if (!OwnsObjects_) {
    throw E_Qel_ListNeedsToOwnItemsForThisOperation();
  }
  const std::int32_t Slot = Add(Item.get());
  // The list owns the item now; only the smart pointer's claim is dropped.
  static_cast<void>(Item.release());
  return Slot;
}

void TQelList::Insert(std::int32_t Index, TQelObject* Item) {
  CheckInsertIndex(Index);
  CheckClass(Item);
  if (Count_ == Capacity()) {
    Grow();
  }
  AddingStep(Item);
  std::move_backward(Slots_.begin() + Index, Slots_.begin() + Count_, Slots_.begin() + Count_ + 1);
  Slots_[Index] = Item;
  ++Count_;
}

void TQelList::Insert(std::int32_t Index, std::unique_ptr<TQelObject> Item) {
  if (!OwnsObjects_) {
    throw E_Qel_ListNeedsToOwnItemsForThisOperation();
  }
  Insert(Index, Item.get());
  static_cast<void>(Item.release()); // owned by the list now
}

void TQelList::AddItems(const TQelList& Source) {
  // Fixed up front: adding a list's items to itself must not chase its tail.
  const std::int32_t SourceCount = Source.Count_;
  for (std::int32_t I = 0; I < SourceCount; ++I) {
    TQelObject* const Item = Source.Slots_[I];
    if (Item == nullptr || (ItemClass_ != nullptr && !ItemClass_->IsInstance(*Item))) {
      throw E_Qel_InvalidArg();
    }
    Add(Item);
  }
}

// ---- removing ----

void TQelList::Delete(std::int32_t Index) {
  const std::int32_t Slot = SlotOf(Index);
  if (Slots_[Slot] != nullptr) {
    DeletingStep(Slot);
  }
  RemoveSlot(Slot);
}

void TQelList::Remove(const TQelObject* Item) {
  for (std::int32_t I = Count_ - 1; I >= 0; --I) {
    if (I < Count_ && Slots_[I] == Item) {
      Delete(I);
      if (OwnsObjects_ && Item != nullptr) {
        return; // owned items sit in one slot only, and this one is now freed
      }
    }
  }
}

TQelObject* TQelList::Extract(std::int32_t Index) {
  const std::int32_t Slot = SlotOf(Index);
  TQelObject* const Item = std::exchange(Slots_[Slot], nullptr);
  RemoveSlot(Slot);
  if (OwnsObjects_) {
    IndexValid_ = false;
  }
  try {
    Notify(Item, TListNotification::Extracted);
  } catch (...) {
    // The caller never receives the item; an owning list must not leak it.
    if (OwnsObjects_ && Item != nullptr) {
      Item->Parent_ = nullptr;
      FreeItem(Item);
    }
    throw;
  }
  if (OwnsObjects_ && Item != nullptr) {
    Item->Parent_ = nullptr;
  }
  return Item;
}

std::unique_ptr<TQelObject> TQelList::ExtractOwned(std::int32_t Index) {
  if (!OwnsObjects_) {
    throw E_Qel_ListNeedsToOwnItemsForThisOperation();
  }
  return std::unique_ptr<TQelObject>(Extract(Index));
}

void TQelList::Clear() {
  if (OwnsObjects_) {
    FreeAllSilently();
    IndexValid_ = false;
  }
  Count_ = 0;
  std::vector<TQelObject*>().swap(Slots_);
}

void TQelList::ClearNotifying() {
  for (std::int32_t I = Count_ - 1; I >= 0; --I) {
    if (I < Count_) {
      Delete(I);
    }
  }
  Count_ = 0;
  std::vector<TQelObject*>().swap(Slots_);
  Clear();
}

// ---- item access ----

TQelObject* TQelList::Items(std::int32_t Index) const {
  return Slots_[SlotOf(Index)];
}

void TQelList::SetItem(std::int32_t Index, TQelObject* Item) {
  const std::int32_t Slot = SlotOf(Index);
  TQelObject* const Old = Slots_[Slot];
  if (OwnsObjects_ && Item != nullptr && Item == Old) {
    return; // storing an owned item over itself would free it first
  }
  // Refuse before the old item is deleted, so that a refused store leaves
  // the list as it was.
  CheckNotOwnedElsewhere(Item);
  if (Old != nullptr) {
    DeletingStep(Slot);
  }
  AddingStep(Item);
  Slots_[Slot] = Item;
}

void TQelList::SetItem(std::int32_t Index, std::unique_ptr<TQelObject> Item) {
  if (!OwnsObjects_) {
    throw E_Qel_ListNeedsToOwnItemsForThisOperation();
  }
  SetItem(Index, Item.get());
  static_cast<void>(Item.release()); // owned by the list now
}

void TQelList::SetItemChecked(std::int32_t Index, TQelObject* Item) {
  CheckClass(Item);
  SetItem(Index, Item);
}

void TQelList::Exchange(std::int32_t Index1, std::int32_t Index2) {
  const std::int32_t Slot1 = SlotOf(Index1);
  const std::int32_t Slot2 = SlotOf(Index2);
  std::swap(Slots_[Slot1], Slots_[Slot2]);
  IndexValid_ = false;
}

void TQelList::RebuildIndex() {
  if (!OwnsObjects_) {
    throw E_Qel_ListNeedsToOwnItemsForThisOperation();
  }
  for (std::int32_t I = 0; I < Count_; ++I) {
    if (Slots_[I] != nullptr) {
      Slots_[I]->CachedIndex_ = I;
    }
  }
  IndexValid_ = true;
}

// ---- whole-list operations ----

void TQelList::Assign(const TQelObject& Source, bool Deep) {
  const auto* const From = dynamic_cast<const TQelList*>(&Source);
  if (From == nullptr) {
    throw E_Qel_InvalidObjectType();
  }
  if (From == this) {
    throw E_Qel_InvalidArg();
  }
  SetCount(From->Count_);
  for (std::int32_t I = 0; I < Count_; ++I) {
    TQelObject* const SourceItem = From->Slots_[I];
    if (!OwnsObjects_) {
      SetItemChecked(I, SourceItem);
    } else if (SourceItem == nullptr) {
      SetItem(I, static_cast<TQelObject*>(nullptr));
    } else {
      if (Slots_[I] == nullptr) {
        SetItem(I, NewItem());
      }
      Slots_[I]->Assign(*SourceItem, Deep);
    }
  }
}

void TQelList::Update(const TQelObject& Source, bool Deep) {
  const auto* const From = dynamic_cast<const TQelList*>(&Source);
  if (From == nullptr) {
    throw E_Qel_InvalidObjectType();
  }
  if (From == this) {
    throw E_Qel_InvalidArg(); // the walk below would empty both at once
  }
  // Survivors wait here; an owning holder frees any that a duplicate name
  // leaves unclaimed instead of leaking them.
  TQelList Kept(OwnsObjects_);
  for (std::int32_t I = Count_ - 1; I >= 0; --I) {
    TQelObject* const Item = Slots_[I];
    if (Item != nullptr && From->FindByName(Item->GetName(), false) != nullptr) {
      if (OwnsObjects_) {
        Kept.Add(ExtractOwned(I));
      } else {
        Kept.Add(Extract(I));
      }
    } else {
      Delete(I);
    }
  }
  for (std::int32_t J = 0; J < From->Count_; ++J) {
    TQelObject* const SourceItem = From->Slots_[J];
    if (SourceItem == nullptr) {
      Add(static_cast<TQelObject*>(nullptr));
      continue;
    }
    const std::string Name = SourceItem->GetName();
    std::int32_t KeptSlot = 0;
    while (KeptSlot < Kept.Count_ && !SameName(Kept.Slots_[KeptSlot]->GetName(), Name)) {
      ++KeptSlot;
    }
    TQelObject* Item = nullptr;
    if (KeptSlot < Kept.Count_) {
      if (OwnsObjects_) {
        std::unique_ptr<TQelObject> Owned = Kept.ExtractOwned(KeptSlot);
        Item = Owned.get();
        Add(std::move(Owned));
      } else {
        Item = Kept.Extract(KeptSlot);
        Add(Item);
      }
    } else if (OwnsObjects_) {
      std::unique_ptr<TQelObject> Fresh = NewItem();
      Item = Fresh.get();
      Add(std::move(Fresh));
    } else {
      Add(SourceItem); // a reference list takes the source's reference as it is
      continue;
    }
    Item->Update(*SourceItem, Deep);
  }
}

bool TQelList::IsEqual(const TQelObject& Other) const {
  const auto* const With = dynamic_cast<const TQelList*>(&Other);
  if (With == nullptr) {
    throw E_Qel_InvalidObjectType();
  }
  if (With == this) {
    throw E_Qel_InvalidArg();
  }
  if (Count_ != With->Count_) {
    return false;
  }
  for (std::int32_t I = 0; I < Count_; ++I) {
    const TQelObject* const Mine = Slots_[I];
    const TQelObject* const Theirs = With->Slots_[I];
    if (Mine == nullptr || Theirs == nullptr) {
      if (Mine != Theirs) {
        return false;
      }
    } else if (!Mine->IsEqual(*Theirs)) {
      return false;
    }
  }
  return true;
}

TQelObject* TQelList::FindByName(const std::string& Name, bool SearchChildren) const {
  for (std::int32_t I = 0; I < Count_; ++I) {
    TQelObject* const Item = Slots_[I];
    if (Item == nullptr) {
      continue;
    }
    if (SameName(Item->GetName(), Name)) {
      return Item;
    }
    if (SearchChildren) {
      const auto* const Children = dynamic_cast<const TQelList*>(Item);
      if (Children == nullptr) {
        throw E_Qel("Cannot search children as the objects contained in the list are not lists.");
      }
      if (TQelObject* const Found = Children->FindByName(Name, true)) {
        return Found;
      }
    }
  }
  return nullptr;
}

// ---- sorting ----

void TQelList::Sort(CompareFunction Function, void* Data) {
  if (Function == nullptr) {
    throw E_Qel_ObjectPointerIsNil();
  }
  if (Count_ == 0) {
    return;
  }
  IndexValid_ = false;
  bool Ordered = true;
  for (std::int32_t I = 1; I < Count_ && Ordered; ++I) {
    Ordered = Function(Data, Slots_[I - 1], Slots_[I]) <= 0;
  }
  if (!Ordered) {
    QuickSort(0, Count_ - 1, Function, Data);
  }
}

void TQelList::Sort() {
  Sort(
      [](void* Data, const TQelObject* Item1, const TQelObject* Item2) {
        return static_cast<const TQelList*>(Data)->Compare(Item1, Item2);
      },
      this);
}

void TQelList::QuickSort(std::int32_t Low, std::int32_t High, CompareFunction Function,
                         void* Data) {
  while (Low < High) {
    std::int32_t Left = Low;
    std::int32_t Right = High;
    const TQelObject* const Pivot = Slots_[Low + (High - Low) / 2];
    do {
      // The bounds only matter for a compare function that contradicts
      // itself; a consistent one stops at the pivot anyway.
      while (Left < High && Function(Data, Slots_[Left], Pivot) < 0) {
        ++Left;
      }
      while (Right > Low && Function(Data, Slots_[Right], Pivot) > 0) {
        --Right;
      }
      if (Left <= Right) {
        std::swap(Slots_[Left], Slots_[Right]);
        ++Left;
        --Right;
      }
    } while (Left <= Right);
    // Recurse into the smaller part and loop on the larger one, which keeps
    // the stack depth logarithmic whatever the input order.
    if (Right - Low < High - Left) {
      if (Low < Right) {
        QuickSort(Low, Right, Function, Data);
      }
      Low = Left;
    } else {
      if (Left < High) {
        QuickSort(Left, High, Function, Data);
      }
      High = Right;
    }
  }
}

} // namespace kestrava
