#include "ui/win32/artwork.h"

#include <wincodec.h>

#include <algorithm>

#include "platform/win32/dib.h"

namespace purgeon {
namespace {

template <typename I>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    I** Receive() { return &p_; }
    I* operator->() const { return p_; }
    I* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    I* p_ = nullptr;
};

// Decodes a PNG held in memory to straight-alpha BGRA, top-down.
bool DecodePng(const void* data, DWORD size, int* width, int* height,
               std::vector<std::uint32_t>* pixels) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Receive()))))
        return false;
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.Receive())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)))
        return false;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.Receive())))
        return false;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.Receive()))) return false;
    ComPtr<IWICBitmapSource> converted;
    if (FAILED(
            WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), converted.Receive())))
        return false;
    UINT w = 0, h = 0;
    if (FAILED(converted->GetSize(&w, &h)) || w == 0 || h == 0 || w > 4096 || h > 4096)
        return false;
    pixels->assign(std::size_t(w) * h, 0);
    if (FAILED(converted->CopyPixels(nullptr, w * 4, w * h * 4,
                                     reinterpret_cast<BYTE*>(pixels->data()))))
        return false;
    *width = int(w);
    *height = int(h);
    return true;
}

// A top-down 32-bit DIB section of the pixels, premultiplied for AlphaBlend.
HBITMAP MakePremultipliedDib(int width, int height, const std::vector<std::uint32_t>& pixels) {
    BITMAPINFO info = DibInfo(width, -height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t p = pixels[i];
        const std::uint32_t a = p >> 24;
        const std::uint32_t r = ((p >> 16) & 0xFF) * a / 255;
        const std::uint32_t g = ((p >> 8) & 0xFF) * a / 255;
        const std::uint32_t b = (p & 0xFF) * a / 255;
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    GdiFlush();
    return bitmap;
}

}  // namespace

Artwork& Artwork::Instance() {
    static Artwork artwork;
    return artwork;
}

const ArtPicture* Artwork::Find(int id) {
    const auto found = pictures_.find(id);
    if (found != pictures_.end()) return &found->second;
    if (missing_.count(id)) return nullptr;

    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource =
        FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    ArtPicture picture;
    if (data == nullptr || size == 0 ||
        !DecodePng(data, size, &picture.width, &picture.height, &picture.straight)) {
        missing_[id] = true;
        return nullptr;
    }
    picture.bitmap = MakePremultipliedDib(picture.width, picture.height, picture.straight);
    if (picture.bitmap == nullptr) {
        missing_[id] = true;
        return nullptr;
    }
    owned_.emplace_back(picture.bitmap);
    return &pictures_.emplace(id, std::move(picture)).first->second;
}

bool Artwork::Draw(HDC dc, int id, int x, int y) {
    const ArtPicture* picture = Find(id);
    if (picture == nullptr) return false;
    return DrawPart(dc, id, 0, 0, picture->width, picture->height, x, y);
}

bool Artwork::DrawPart(HDC dc, int id, int src_x, int src_y, int width, int height, int x, int y) {
    const ArtPicture* picture = Find(id);
    if (picture == nullptr) return false;
    ScopedMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return false;
    ScopedSelectObject selected(source.Get(), picture->bitmap);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(dc, x, y, width, height, source.Get(), src_x, src_y, width, height, blend) !=
           FALSE;
}

HICON Artwork::MakeIcon(int id) {
    const ArtPicture* picture = Find(id);
    if (picture == nullptr) return nullptr;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = picture->width;
    header.bV5Height = -picture->height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    const ScopedWindowDc screen(nullptr);
    ScopedBitmap color(CreateDIBSection(screen.Get(), reinterpret_cast<BITMAPINFO*>(&header),
                                        DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || !bits) return nullptr;
    std::copy(picture->straight.begin(), picture->straight.end(),
              static_cast<std::uint32_t*>(bits));
    GdiFlush();
    // An all-zero mask: the alpha channel alone says what shows.
    const std::vector<std::uint8_t> zeros(std::size_t((picture->width + 15) / 16 * 2) *
                                          std::size_t(picture->height));
    ScopedBitmap mask(CreateBitmap(picture->width, picture->height, 1, 1, zeros.data()));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color.Get();
    info.hbmMask = mask.Get();
    return CreateIconIndirect(&info);
}

}  // namespace purgeon
