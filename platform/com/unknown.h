// IUnknown: interface query and reference counting, with aggregation. An object that can be
// aggregated derives from CUnknown, implements NonDelegatingQueryInterface for its own
// interfaces and puts QUORBEL_DECLARE_IUNKNOWN in its class: its IUnknown methods then go to
// the outer object when it is aggregated and to its own non-delegating ones when it is not.
// Counts are atomic, so references may be taken and dropped on any thread.
#pragma once

#include <atomic>

#include "com/guid.h"
#include "com/hresult.h"
#include "com/types.h"

namespace quorbel::com {

struct IUnknown {
  static constexpr IID kIid = MakeGuid("{00000000-0000-0000-C000-000000000046}");
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};
inline constexpr IID IID_IUnknown = IUnknown::kIid;

// The inner object's own identity when it is aggregated: the outer object keeps this one.
struct INonDelegatingUnknown {
  virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG NonDelegatingAddRef() = 0;
  virtual ULONG NonDelegatingRelease() = 0;

 protected:
  virtual ~INonDelegatingUnknown() = default;
};

// Counts the objects of this module alive, for DllCanUnloadNow.
class CBaseObject {
 public:
  CBaseObject();
  CBaseObject(const CBaseObject&) = delete;
  CBaseObject& operator=(const CBaseObject&) = delete;
  virtual ~CBaseObject();
  static long ObjectsActive();
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
 public:
  // outer: the aggregating object, or null. The count starts at 0; the creator takes the
  // first reference.
  explicit CUnknown(IUnknown* outer);
  ~CUnknown() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  ULONG NonDelegatingAddRef() override;
  // Deletes the object when the count reaches 0.
  ULONG NonDelegatingRelease() override;

  // The IUnknown every interface of this object delegates to.
  IUnknown* GetOwner() const { return owner_; }
  // The non-delegating face as an IUnknown, for the aggregating object to keep.
  IUnknown* NonDelegatingUnknown() { return &face_; }

 private:
  class Face final : public IUnknown {
   public:
    explicit Face(CUnknown& self) : self_(self) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
      return self_.NonDelegatingQueryInterface(iid, object);
    }
    ULONG AddRef() override { return self_.NonDelegatingAddRef(); }
    ULONG Release() override { return self_.NonDelegatingRelease(); }

   private:
    CUnknown& self_;
  };

  Face face_{*this};
  IUnknown* const owner_;
  std::atomic<ULONG> references_{0};
};

// Hands out an interface pointer of an object: *object = face, with a reference on it.
HRESULT GetInterface(IUnknown* face, void** object);

// Convenience for QueryInterface callers: the interface's IID from its type.
template <typename Interface>
HRESULT QueryInterfaceOf(IUnknown* unknown, Interface** result) {
  return unknown->QueryInterface(Interface::kIid, reinterpret_cast<void**>(result));
}

}  // namespace quorbel::com

// The IUnknown methods of a class derived from CUnknown (and from interfaces): all three go to
// GetOwner().
#define QUORBEL_DECLARE_IUNKNOWN                                                               \
  ::quorbel::com::HRESULT QueryInterface(::quorbel::com::REFIID iid, void** object) override { \
    return GetOwner()->QueryInterface(iid, object);                                            \
  }                                                                                            \
  ::quorbel::com::ULONG AddRef() override {                                                    \
    return GetOwner()->AddRef();                                                               \
  }                                                                                            \
  ::quorbel::com::ULONG Release() override {                                                   \
    return GetOwner()->Release();                                                              \
  }
