#pragma once
// What a handler tells its host instead of throwing: no exception may cross a COM method.
#include <windows.h>

namespace shell {

// The drawing carries no thumbnail (release below range, none in its directory).
inline constexpr HRESULT kNothingToShow = E_FAIL;
// The drawing or its thumbnail is damaged: a field past the end, an image that won't decode.
inline const HRESULT kDamaged = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

// Call inside a catch block: the exception in flight as an HRESULT. `streamFailure` is the
// stream's own error when a read failed, passed on in place of kDamaged.
HRESULT ResultOfCurrentException(HRESULT streamFailure = S_OK) noexcept;

}  // namespace shell
