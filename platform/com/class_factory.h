// IClassFactory and a factory that makes objects with a creation function, and the counts a
// module's DllCanUnloadNow answers from.
#pragma once

#include "com/unknown.h"

namespace quorbel::com {

struct IClassFactory : IUnknown {
  static constexpr IID kIid = MakeGuid("{00000001-0000-0000-C000-000000000046}");
  // outer: the aggregating object (then iid must be IID_IUnknown), or null.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};
inline constexpr IID IID_IClassFactory = IClassFactory::kIid;

// Makes a new object with a reference count of 0, or returns null and sets *hr.
using CreateInstanceFunction = CUnknown* (*)(IUnknown* outer, HRESULT* hr);

class CClassFactory final : public IClassFactory, public CUnknown {
 public:
  explicit CClassFactory(CreateInstanceFunction create);
  QUORBEL_DECLARE_IUNKNOWN

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

  // Outstanding LockServer(TRUE) calls of this module.
  static long Locks();

 private:
  CreateInstanceFunction create_;
};

// S_OK when this module has no live object and no server lock, else S_FALSE.
HRESULT CanUnloadModule();

}  // namespace quorbel::com
