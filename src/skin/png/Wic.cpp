// PNG through the Windows Imaging Component (the Windows build). WIC decodes
// to non-premultiplied 32-bit BGRA, the byte order of our ARGB pixels.
#include "skin/png/PngCodec.h"

#include "platform/Text.h"

// <windows.h> first: the COM headers build on it.
#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace skinpng {

namespace {

template <class T> class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (FPtr) FPtr->Release();
    }
    T** operator&() { return &FPtr; }
    T* operator->() const { return FPtr; }
    T* get() const { return FPtr; }

private:
    T* FPtr = nullptr;
};

// COM for the length of one call; a thread that already has it in another
// mode keeps it (RPC_E_CHANGED_MODE) and WIC works there too.
class ComScope {
public:
    ComScope() : FHr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(FHr)) CoUninitialize();
    }

private:
    HRESULT FHr;
};

bool Failed(HRESULT hr, const char* step, std::string& error) {
    if (SUCCEEDED(hr)) return false;
    char text[80];
    std::snprintf(text, sizeof text, "%s failed (HRESULT 0x%08lX)", step,
                  static_cast<unsigned long>(hr));
    error = text;
    return true;
}

uint32_t BigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// What the chunks before the pixels say: size, colour type and the
// transparent colour of a grey or RGB file.
struct Header {
    bool valid = false;
    uint32_t width = 0, height = 0;
    int depth = 0, colorType = 0;
    bool trns = false;
    uint16_t key[3] = {0, 0, 0}; // grey, or red, green, blue
};

Header ReadHeader(const unsigned char* p, size_t size) {
    Header h;
    size_t at = 8;
    while (at + 8 <= size) {
        const uint32_t length = BigEndian32(p + at);
        const unsigned char* type = p + at + 4;
        const unsigned char* data = p + at + 8;
        if (length > size - at - 8) break;
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
            h.valid = true;
            h.width = BigEndian32(data);
            h.height = BigEndian32(data + 4);
            h.depth = data[8];
            h.colorType = data[9];
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            h.trns = true;
            for (uint32_t i = 0; i < 3 && 2 * i + 1 < length; ++i)
                h.key[i] = uint16_t(data[2 * i] << 8 | data[2 * i + 1]);
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            break;
        }
        at += size_t(length) + 12;
    }
    return h;
}

// A transparent colour of an 8-bit (or smaller) grey or RGB file made
// transparent in the decoded pixels. Whether WIC converts such a colour to
// alpha differs between its versions; doing it here again changes nothing
// where it did.
void ApplyColourKey(const Header& h, TPixels& image) {
    if (!h.trns || h.depth > 8 || (h.colorType != 0 && h.colorType != 2)) return;
    const int max = (1 << h.depth) - 1;
    auto scale = [max](uint16_t v) { return uint8_t(std::min<int>(v, max) * 255 / max); };
    const int grey = h.colorType == 0;
    const uint32_t key = uint32_t(scale(h.key[0])) << 16 |
                         uint32_t(scale(h.key[grey ? 0 : 1])) << 8 |
                         uint32_t(scale(h.key[grey ? 0 : 2]));
    for (uint32_t& px : image.Argb)
        if ((px & 0x00FFFFFFu) == key) px &= 0x00FFFFFFu;
}

bool Factory(Com<IWICImagingFactory>& factory, std::string& error) {
    return !Failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)),
                   "creating the imaging factory", error);
}

} // namespace

bool Decode(const void* data, size_t size, TPixels& out, bool& hasAlpha, std::string& error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const Header h = ReadHeader(bytes, size);
    if (!h.valid) {
        error = "no PNG header";
        return false;
    }
    if (h.width > kMaxSide || h.height > kMaxSide) {
        error = kTooLarge;
        return false;
    }
    if (size > 0xFFFFFFFFu) {
        error = kTooLarge;
        return false;
    }
    ComScope com;
    Com<IWICImagingFactory> factory;
    if (!Factory(factory, error)) return false;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICBitmapSource> converted;
    if (Failed(factory->CreateStream(&stream), "creating a stream", error) ||
        Failed(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), DWORD(size)),
               "reading the PNG data", error) ||
        Failed(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder),
               "creating the PNG decoder", error) ||
        Failed(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand),
               "decoding the PNG header", error) ||
        Failed(decoder->GetFrame(0, &frame), "decoding the PNG image", error) ||
        Failed(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), &converted),
               "converting to 32-bit BGRA", error))
        return false;
    UINT w = 0, hgt = 0;
    if (Failed(converted->GetSize(&w, &hgt), "reading the image size", error)) return false;
    if (w > kMaxSide || hgt > kMaxSide) {
        error = kTooLarge;
        return false;
    }
    TPixels pixels{int(w), int(hgt), std::vector<uint32_t>(size_t(w) * size_t(hgt))};
    if (Failed(converted->CopyPixels(nullptr, w * 4, w * hgt * 4,
                                     reinterpret_cast<BYTE*>(pixels.Argb.data())),
               "decoding the PNG pixels", error))
        return false;
    ApplyColourKey(h, pixels);
    hasAlpha = h.colorType == 4 || h.colorType == 6 || h.trns;
    out = std::move(pixels);
    return true;
}

bool Encode(const uint32_t* argb, int width, int height, const std::string& fileName,
            std::string& error) {
    std::u16string path = platform::Utf8ToUtf16(fileName);
    for (char16_t& c : path)
        if (c == u'/') c = u'\\';
    ComScope com;
    Com<IWICImagingFactory> factory;
    if (!Factory(factory, error)) return false;
    Com<IWICStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    if (Failed(factory->CreateStream(&stream), "creating a stream", error) ||
        Failed(
            stream->InitializeFromFilename(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_WRITE),
            "opening the file", error) ||
        Failed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder),
               "creating the PNG encoder", error) ||
        Failed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "starting the PNG file",
               error) ||
        Failed(encoder->CreateNewFrame(&frame, &options), "adding the image", error) ||
        Failed(frame->Initialize(options.get()), "adding the image", error) ||
        Failed(frame->SetSize(UINT(width), UINT(height)), "setting the size", error))
        return false;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (Failed(frame->SetPixelFormat(&format), "setting the pixel format", error)) return false;
    if (!IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) {
        error = "the PNG encoder does not take 32-bit BGRA";
        return false;
    }
    const UINT stride = UINT(width) * 4;
    if (Failed(frame->WritePixels(UINT(height), stride, stride * UINT(height),
                                  reinterpret_cast<BYTE*>(const_cast<uint32_t*>(argb))),
               "writing the pixels", error) ||
        Failed(frame->Commit(), "finishing the image", error) ||
        Failed(encoder->Commit(), "finishing the PNG file", error))
        return false;
    return true;
}

} // namespace skinpng
