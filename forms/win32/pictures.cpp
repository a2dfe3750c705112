#include "pictures.h"

#include "text.h"

#include "forms/core/errors.h"

#include <cstring>
#include <map>

#include <ole2.h>
#include <olectl.h>

namespace win32port {

namespace {

struct Decoded {
    IPicture *owner = nullptr; // owns the handle
    Picture picture;
};

[[noreturn]] void invalid(const std::string &what, const std::string &why = {})
{
    engine::raise(engine::err::InvalidPicture, "Invalid picture (" + what + (why.empty() ? "" : ": " + why) + ")");
}

Decoded decode(const std::string &resource, const std::string &what)
{
    const HRSRC found = FindResourceW(nullptr, wide(resource).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void *bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    if (!bytes || size == 0)
        invalid(what, "not found");

    // OleLoadPicture reads from a stream; the stream takes a copy of the bytes.
    const HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        engine::raise(engine::err::OutOfMemory, "Out of memory");
    std::memcpy(GlobalLock(copy), bytes, size);
    GlobalUnlock(copy);
    IStream *stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        engine::raise(engine::err::OutOfMemory, "Out of memory");
    }
    IPicture *picture = nullptr;
    const HRESULT result = OleLoadPicture(stream, LONG(size), FALSE, IID_IPicture, reinterpret_cast<void **>(&picture));
    stream->Release();
    if (FAILED(result) || !picture)
        invalid(what);

    Decoded decoded{picture, {}};
    short type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    picture->get_Type(&type);
    picture->get_Handle(&handle);
    if (type == PICTYPE_BITMAP) {
        decoded.picture.bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
        BITMAP info{};
        GetObjectW(decoded.picture.bitmap, sizeof info, &info);
        decoded.picture.width = info.bmWidth;
        decoded.picture.height = info.bmHeight;
    } else if (type == PICTYPE_ICON) {
        decoded.picture.icon = reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle));
        ICONINFO info{};
        if (GetIconInfo(decoded.picture.icon, &info)) {
            BITMAP mask{};
            GetObjectW(info.hbmMask, sizeof mask, &mask);
            decoded.picture.width = mask.bmWidth;
            decoded.picture.height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
    }
    if ((!decoded.picture.bitmap && !decoded.picture.icon) || decoded.picture.width <= 0 ||
        decoded.picture.height <= 0) {
        picture->Release();
        invalid(what);
    }
    return decoded;
}

} // namespace

const Picture &decodePicture(const std::string &resource, const std::string &description)
{
    static std::map<std::string, Decoded> decoded;
    auto found = decoded.find(resource);
    if (found == decoded.end())
        found = decoded.emplace(resource, decode(resource, description.empty() ? resource : description)).first;
    return found->second.picture;
}

} // namespace win32port
