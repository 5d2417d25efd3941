#pragma once
// An array-backed list of TQelObject references that can own its items,
// keeps their Parent/Index back-pointers, notifies on add, delete and extract,
// and optionally wraps its indexes round (circular).
//
// Ownership: an owning list (OwnsObjects) frees its items; an item belongs to
// at most one owning list. Items enter an owning list through the
// std::unique_ptr overloads; the raw-pointer overloads exist for non-owning
// lists and for the "item already owned elsewhere" check, and an owning list
// adopts a raw pointer only once the add has succeeded: when an add or store
// is refused the caller still owns the item and the list is unchanged.
// Handing a std::unique_ptr to a non-owning list raises
// E_Qel_ListNeedsToOwnItemsForThisOperation, as nothing would free the item.
//
// Indexes: 0 <= Index < Count (Insert: <= Count), else E_Qel_InvalidListItemIndex.
// A circular list wraps every index of an existing slot round modulo Count
// (getter, setters, Delete, Extract, Exchange); Insert is always checked.
//
// Thread: user-interface thread only; nothing here is locked.

#include "foundation/QelObject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kestrava {

// Actions passed to Notify.
enum class TListNotification : std::int32_t {
  Added = 1,
  AboutToBeDeleted = 2,
  Deleted = 3, // item argument is null
  Extracted = 4,
};

// Parties told when an owned item is deleted; called in the order they subscribed.
class TNotificationSubscribers {
public:
  using Callback = std::function<void(TQelObject* Item)>;
  // Returns a handle for Unsubscribe.
  std::int32_t Subscribe(Callback Subscriber);
  void Unsubscribe(std::int32_t Handle);
  void NotifyAll(TQelObject* Item) const;
  void Clear();
  std::int32_t Count() const { return static_cast<std::int32_t>(Subscribers_.size()); }

private:
  struct Entry {
    std::int32_t Handle;
    Callback Call;
  };
  std::vector<Entry> Subscribers_;
  std::int32_t NextHandle_ = 1;
};

class TQelList : public TQelObject {
public:
  // Capacity is always below this.
  static constexpr std::int32_t MaxCapacity = 0x8000000;

  explicit TQelList(bool OwnsObjects = true, const TQelClass* ItemClass = nullptr);
  ~TQelList() override; // runs Clear(): owned items are freed without notifications

  std::unique_ptr<TQelObject> CreateNew() const override; // slot 15: same ownership and class
  // Slot 3. Source must be another TQelList. An owning list makes Source.Count
  // items (NewItem) and Assigns each from its source item; a non-owning list,
  // deep or not, ends up holding the source's references (there is nothing to
  // copy into, and a half-null result would surprise every caller).
  void Assign(const TQelObject& Source, bool Deep) override;
  // Slot 4: merge by name. Items whose name survives keep their identity and
  // are Updated from the source item; the result has the source's names in the
  // source's order. Of several items sharing a name the one nearest the end
  // survives and the others are freed. A non-owning list takes the source's
  // reference for a name it did not hold. Source must be another TQelList
  // (E_Qel_InvalidArg for this list itself).
  void Update(const TQelObject& Source, bool Deep) override;
  bool IsEqual(const TQelObject& Other) const override; // slot 5
  void Clear() override;                                // slot 6
  void ClearNotifying() override;                       // slot 7

  // Slot 10. +4 up to 8, +16 up to 64, then +Capacity/4; stops just below
  // MaxCapacity (E_Qel_InvalidListItemIndex once there).
  virtual void Grow();
  // Slot 11: from ItemClass; E_Qel_ObjectFailedToCreate without one (or when
  // the class cannot be default-constructed).
  virtual std::unique_ptr<TQelObject> NewItem() const;
  virtual void SetCount(std::int32_t NewCount);                    // slot 12
  virtual void Notify(TQelObject* Item, TListNotification Action); // slot 13: empty here
  virtual int Compare(const TQelObject* Item1, const TQelObject* Item2) const; // slot 14

  using CompareFunction = int (*)(void* Data, const TQelObject* Item1, const TQelObject* Item2);
  // Slot 16. Leaves an already ordered list untouched; otherwise an unstable
  // quicksort. A null Function raises E_Qel_ObjectPointerIsNil.
  virtual void Sort(CompareFunction Function, void* Data);
  virtual void Sort(); // slot 17: sorts with Compare

  // Slot 18. Returns the slot number.
  virtual std::int32_t Add(TQelObject* Item);
  std::int32_t Add(std::unique_ptr<TQelObject> Item);
  // Slot 19. 0 <= Index <= Count.
  virtual void Insert(std::int32_t Index, TQelObject* Item);
  void Insert(std::int32_t Index, std::unique_ptr<TQelObject> Item);
  // Slot 20. Every item must be of ItemClass (E_Qel_InvalidArg otherwise).
  virtual void AddItems(const TQelList& Source);
  virtual void Delete(std::int32_t Index);     // slot 21
  virtual void Remove(const TQelObject* Item); // slot 22: every slot holding it
  // Slot 23. On an owning list the caller becomes the owner: wrap the result
  // in a std::unique_ptr (ExtractOwned does).
  virtual TQelObject* Extract(std::int32_t Index);
  std::unique_ptr<TQelObject> ExtractOwned(std::int32_t Index);
  virtual void Exchange(std::int32_t Index1, std::int32_t Index2);                    // slot 24
  virtual TQelObject* FindByName(const std::string& Name, bool SearchChildren) const; // slot 25

  // Item access. The plain setter stores without the class check; the checked
  // one runs it first. An owning list takes over a stored raw pointer.
  TQelObject* Items(std::int32_t Index) const;
  void SetItem(std::int32_t Index, TQelObject* Item);
  void SetItem(std::int32_t Index, std::unique_ptr<TQelObject> Item);
  void SetItemChecked(std::int32_t Index, TQelObject* Item);

  std::int32_t Count() const { return Count_; }
  std::int32_t Capacity() const { return static_cast<std::int32_t>(Slots_.size()); }
  void SetCapacity(std::int32_t NewCapacity);
  bool OwnsObjects() const { return OwnsObjects_; }
  const TQelClass* ItemClass() const { return ItemClass_; }
  void SetItemClass(const TQelClass* ItemClass) { ItemClass_ = ItemClass; }
  bool Circular() const { return Circular_; }
  void SetCircular(bool Value) { Circular_ = Value; }
  bool IndexValid() const { return IndexValid_; }
  void InvalidateIndex() { IndexValid_ = false; }
  TNotificationSubscribers& Subscribers() { return Subscribers_; }

protected:
  [[noreturn]] static void ThrowNilItem();

private:
  friend std::int32_t ItemIndex(const TQelObject* Object);
  void RebuildIndex();
  std::int32_t SlotOf(std::int32_t Index) const;
  void CheckInsertIndex(std::int32_t Index) const;
  void CheckClass(const TQelObject* Item) const;
  void CheckNotOwnedElsewhere(const TQelObject* Item) const;
  void AddingStep(TQelObject* Item);
  void DeletingStep(std::int32_t Slot);
  void RemoveSlot(std::int32_t Slot);
  void FreeAllSilently();
  void QuickSort(std::int32_t Low, std::int32_t High, CompareFunction Function, void* Data);

  std::vector<TQelObject*> Slots_; // size() is Capacity
  std::int32_t Count_ = 0;
  TNotificationSubscribers Subscribers_;
  const TQelClass* ItemClass_ = nullptr;
  bool OwnsObjects_ = true;
  bool Circular_ = false;
  bool IndexValid_ = false;
};

// Typed view of a list whose ItemClass is T, for the lists the program keeps
// (frames, meshes, ...): At(i) returns T&.
template <class T> class TQelListOf : public TQelList {
public:
  explicit TQelListOf(bool OwnsObjects = true) : TQelList(OwnsObjects, &QelClassOf<T>()) {}
  // E_Qel_ObjectPointerIsNil for an empty slot.
  T& At(std::int32_t Index) const {
    TQelObject* const Item = Items(Index);
    if (Item == nullptr) {
      ThrowNilItem();
    }
    return static_cast<T&>(*Item);
  }
};

} // namespace kestrava
