#include "foundation/QelObject.h"

#include "foundation/QelExceptions.h"
#include "foundation/QelList.h"

#include <cassert>

namespace kestrava {

TQelObject::~TQelObject() {
  assert(Parent_ == nullptr && "an owned object is freed by its list, not destroyed directly");
  assert(RefCount_.load() == 0 && "object destroyed while interface references remain");
}

std::string TQelObject::GetName() const {
  throw E_Qel_NotImplemented();
}

std::unique_ptr<TQelObject> TQelObject::CreateNew() const {
  return std::make_unique<TQelObject>();
}

void TQelObject::Assign(const TQelObject& /*Source*/, bool /*Deep*/) {
  throw E_Qel_NotImplemented();
}

void TQelObject::Update(const TQelObject& Source, bool Deep) {
  Assign(Source, Deep);
}

bool TQelObject::IsEqual(const TQelObject& /*Other*/) const {
  throw E_Qel_NotImplemented();
}

void TQelObject::Clear() {}

void TQelObject::ClearNotifying() {
  Clear();
}

HRESULT TQelObject::QueryInterface(const TGuid& Iid, void** Object) {
  if (Object == nullptr) {
    return E_POINTER;
  }
  if (Iid == IID_IUnknown) {
    *Object = this;
    AddRef();
    return S_OK;
  }
  *Object = nullptr;
  return E_NOINTERFACE;
}

std::int32_t TQelObject::AddRef() {
  if (!RefCounted_) {
    return 0;
  }
  return RefCount_.fetch_add(1) + 1;
}

std::int32_t TQelObject::Release() {
  if (!RefCounted_) {
    return 0;
  }
  // A compare-exchange loop, so that a surplus Release is refused without
  // ever letting another thread see a negative count.
  std::int32_t Current = RefCount_.load();
  do {
    if (Current <= 0) {
      throw E_Qel_InvalidReferenceCount();
    }
  } while (!RefCount_.compare_exchange_weak(Current, Current - 1));
  const std::int32_t Remaining = Current - 1;
  if (Remaining == 0 && Parent_ == nullptr) {
    // The last reference owns the object; an object held by an owning list
    // stays alive because the list still frees it later.
    std::unique_ptr<TQelObject> Self(this);
  }
  return Remaining;
}

std::int32_t TQelObject::Index() const {
  return ItemIndex(this);
}

std::int32_t ItemIndex(const TQelObject* Object) {
  if (Object == nullptr) {
    throw E_Qel_ObjectPointerIsNil();
  }
  TQelList* const Owner = Object->Parent_;
  if (Owner == nullptr) {
    throw E_Qel_ListItemHasNoParent();
  }
  if (!Owner->IndexValid_) {
    Owner->RebuildIndex();
  }
  return Object->CachedIndex_;
}

} // namespace kestrava
