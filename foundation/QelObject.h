#pragma once
// The base of every record-like object that lives in a TQelList.
//
// Thread: user-interface thread only, except AddRef/Release, which are atomic.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>

namespace kestrava {

class TQelList;
class TQelObject;

// 32-bit COM-style result code.
using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);

// A 128-bit interface or class identifier.
struct TGuid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
  friend bool operator==(const TGuid&, const TGuid&) = default;
};

// The identifier of the reference-counted root interface that every object answers.
inline constexpr TGuid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Stands where the design has a class reference: it can make a new instance
// (the virtual constructor) and tell whether an object is of the class or a
// descendant. Descriptors are immutable and live for the whole run.
class TQelClass {
public:
  using Factory = std::function<std::unique_ptr<TQelObject>()>;
  using Test = std::function<bool(const TQelObject&)>;

  TQelClass(std::string_view Name, Factory Create, Test IsInstance)
      : Name_(Name), Create_(std::move(Create)), IsInstance_(std::move(IsInstance)) {}

  std::string_view Name() const { return Name_; }
  std::unique_ptr<TQelObject> Create() const { return Create_(); }
  bool IsInstance(const TQelObject& Object) const { return IsInstance_(Object); }

private:
  std::string Name_;
  Factory Create_;
  Test IsInstance_;
};

// The descriptor of class T (derived from TQelObject). A class without a public
// default constructor still gets a descriptor; its Create() returns null, which
// the list's NewItem reports as E_Qel_ObjectFailedToCreate.
template <class T> const TQelClass& QelClassOf() {
  static const TQelClass Descriptor(
      typeid(T).name(),
      []() -> std::unique_ptr<TQelObject> {
        if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>) {
          return std::make_unique<T>();
        } else {
          return nullptr;
        }
      },
      [](const TQelObject& Object) { return dynamic_cast<const T*>(&Object) != nullptr; });
  return Descriptor;
}

class TQelObject {
public:
  TQelObject() = default;
  TQelObject(const TQelObject&) = delete;
  TQelObject& operator=(const TQelObject&) = delete;
  // An object owned by a list must leave it (Delete, Remove, Extract) before it
  // is destroyed, and a reference-counted object must have no references left;
  // debug builds assert both.
  virtual ~TQelObject();

  // Slot 0. Base raises E_Qel_NotImplemented.
  virtual std::string GetName() const;
  // Slot 2, the virtual constructor: a new default instance of the object's own class.
  // Base makes a plain TQelObject; subclasses that lists create override it.
  virtual std::unique_ptr<TQelObject> CreateNew() const;
  // Slot 3. Base raises E_Qel_NotImplemented.
  virtual void Assign(const TQelObject& Source, bool Deep);
  // Slot 4. Base calls Assign(Source, Deep).
  virtual void Update(const TQelObject& Source, bool Deep);
  // Slot 5. Base raises E_Qel_NotImplemented.
  virtual bool IsEqual(const TQelObject& Other) const;
  // Slot 6. Base does nothing.
  virtual void Clear();
  // Slot 7. Base calls Clear().
  virtual void ClearNotifying();

  // Reference counting of the root interface. A freshly made object counts 0;
  // while RefCounted is false AddRef/Release do nothing and return 0. A Release
  // that brings the count to 0 destroys the object, so only heap objects that
  // nobody else owns may be reference counted; an object that an owning list
  // holds is never destroyed by Release (the list frees it). Release raises
  // E_Qel_InvalidReferenceCount instead of going below 0. Turn RefCounted on
  // only after construction: the count starts at 0, so an AddRef/Release pair
  // inside a constructor would destroy the half-built object.
  //
  // QueryInterface answers IID_IUnknown with this object (as TQelObject*) and
  // one added reference; anything else gives E_NOINTERFACE and null, a null
  // Object gives E_POINTER.
  virtual HRESULT QueryInterface(const TGuid& Iid, void** Object);
  std::int32_t AddRef();
  std::int32_t Release();
  std::int32_t RefCount() const { return RefCount_.load(); }
  bool RefCounted() const { return RefCounted_; }
  void SetRefCounted(bool Value) { RefCounted_ = Value; }

  // The owning list, or null when not owned.
  TQelList* Parent() const { return Parent_; }
  // The position in the owning list (see ItemIndex for the checks).
  std::int32_t Index() const;

private:
  friend class TQelList;
  friend std::int32_t ItemIndex(const TQelObject* Object);
  std::int32_t CachedIndex_ = 0;
  TQelList* Parent_ = nullptr;
  std::atomic<std::int32_t> RefCount_{0};
  bool RefCounted_ = false;
};

// The position of Object in its owning list, rebuilding the list's index cache
// when needed. Raises E_Qel_ObjectPointerIsNil for null, E_Qel_ListItemHasNoParent
// when not owned.
std::int32_t ItemIndex(const TQelObject* Object);

} // namespace kestrava
