#pragma once
// Small item and list classes that let the list tests observe names, values,
// lifetimes and the notifications a list sends.

#include "foundation/QelExceptions.h"
#include "foundation/QelList.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kestrava::testing {

class TNamed : public TQelObject {
public:
  TNamed() = default;
  TNamed(std::string Name, int Value, int* Destroyed = nullptr)
      : Name(std::move(Name)), Value(Value), Destroyed(Destroyed) {}
  ~TNamed() override {
    if (Destroyed != nullptr) {
      ++*Destroyed;
    }
  }

  std::string GetName() const override { return Name; }
  std::unique_ptr<TQelObject> CreateNew() const override { return std::make_unique<TNamed>(); }
  void Assign(const TQelObject& Source, bool /*Deep*/) override {
    const auto& From = dynamic_cast<const TNamed&>(Source);
    Name = From.Name;
    Value = From.Value;
  }
  bool IsEqual(const TQelObject& Other) const override {
    const auto* With = dynamic_cast<const TNamed*>(&Other);
    return With != nullptr && With->Name == Name && With->Value == Value;
  }

  std::string Name;
  int Value = 0;
  int* Destroyed = nullptr;
};

// A named list, for searches through nested lists.
class TNamedList : public TQelList {
public:
  explicit TNamedList(std::string Name) : Name(std::move(Name)) {}
  std::string GetName() const override { return Name; }
  std::string Name;
};

// Adds a new item to List and returns it, now owned by List.
inline TNamed* AddNamed(TQelList& List, const std::string& Name, int Value = 0,
                        int* Destroyed = nullptr) {
  auto Item = std::make_unique<TNamed>(Name, Value, Destroyed);
  TNamed* const Raw = Item.get();
  List.Add(std::move(Item));
  return Raw;
}

struct TEvent {
  std::string What; // "added", "about", "deleted", "extracted", "subscriber"
  const TQelObject* Item;
  std::int32_t CountAtTheTime;
  friend bool operator==(const TEvent&, const TEvent&) = default;
};

// Logs every notification (and, when subscribed, every subscriber call).
class TRecordingList : public TQelList {
public:
  explicit TRecordingList(bool OwnsObjects = true) : TQelList(OwnsObjects) {
    Subscribers().Subscribe([this](TQelObject* Item) {
      Log.push_back({"subscriber", Item, Count()});
    });
  }
  void Notify(TQelObject* Item, TListNotification Action) override {
    static const char* const Names[] = {"", "added", "about", "deleted", "extracted"};
    Log.push_back({Names[static_cast<int>(Action)], Item, Count()});
    if (Action == TListNotification::Added && RefuseAdds) {
      throw E_Qel_InvalidData();
    }
  }
  int Compare(const TQelObject* A, const TQelObject* B) const override {
    return static_cast<const TNamed*>(A)->Value - static_cast<const TNamed*>(B)->Value;
  }
  std::vector<TEvent> Log;
  bool RefuseAdds = false;
};

} // namespace kestrava::testing
