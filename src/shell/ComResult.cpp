#include "ComResult.h"

#include <exception>
#include <new>
#include <string>

#include "Error.h"
#include "image/ThumbnailPicture.h"  // PngError

namespace shell {

HRESULT ResultOfCurrentException(HRESULT streamFailure) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const AppError& error) {
        if (FAILED(streamFailure)) return streamFailure;
        return error.Message() == msg::kOutOfMemory ? E_OUTOFMEMORY : kDamaged;
    } catch (const PngError&) {
        return kDamaged;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace shell
