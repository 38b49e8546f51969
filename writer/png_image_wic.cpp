// PNG decoding on Windows through the Windows Imaging Component, the
// system's own decoder (corvane.exe links no libpng): every colour type,
// depth and transparency comes out as 8-bit RGBA, as from libpng.
#include <windows.h>

#include <wincodec.h>

#include "writer/icon_image.h"

namespace {

// Releases a COM object when it goes.
template <typename T>
class Held {
 public:
  ~Held() {
    if (p) p->Release();
  }
  T* p = nullptr;
};

std::string Broken(HRESULT hr) {
  char code[16];
  snprintf(code, sizeof code, "%08lX", (unsigned long)hr);
  return std::string("is a broken PNG (the system's decoder says 0x") + code + ")";
}

}  // namespace

bool DecodePng(const uint8_t* bytes, size_t size, RgbaImage* image, std::string* error) {
  // COM for this thread; a thread that has it already keeps its own.
  HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  bool uninit = SUCCEEDED(init);
  HRESULT hr;
  bool ok = false;
  {
    Held<IWICImagingFactory> factory;
    Held<IWICStream> stream;
    Held<IWICBitmapDecoder> decoder;
    Held<IWICBitmapFrameDecode> frame;
    Held<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IWICImagingFactory, (void**)&factory.p);
    if (FAILED(hr)) {
      *error = "is a PNG, and this system has no decoder for it";
    } else if (FAILED(hr = factory.p->CreateStream(&stream.p)) ||
               FAILED(hr = stream.p->InitializeFromMemory((BYTE*)bytes, (DWORD)size)) ||
               FAILED(hr = factory.p->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder.p)) ||
               FAILED(hr = decoder.p->Initialize(stream.p, WICDecodeMetadataCacheOnDemand)) ||
               FAILED(hr = decoder.p->GetFrame(0, &frame.p)) ||
               FAILED(hr = frame.p->GetSize(&width, &height))) {
      *error = Broken(hr);
    } else if (width > (UINT)kLargestPicture || height > (UINT)kLargestPicture) {
      *error = "is a PNG larger than " + std::to_string(kLargestPicture) + " pixels a side";
    } else {
      // BGRA, which every version of the component has, then swapped.
      image->width = width;
      image->height = height;
      image->bitCount = 32;
      image->pixels.assign((size_t)width * height * 4, 0);
      if (FAILED(hr = factory.p->CreateFormatConverter(&converter.p)) ||
          FAILED(hr = converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA,
                                              WICBitmapDitherTypeNone, nullptr, 0,
                                              WICBitmapPaletteTypeCustom)) ||
          FAILED(hr = converter.p->CopyPixels(nullptr, width * 4, (UINT)image->pixels.size(),
                                              image->pixels.data()))) {
        *error = Broken(hr);
      } else {
        for (size_t i = 0; i < image->pixels.size(); i += 4)
          std::swap(image->pixels[i], image->pixels[i + 2]);
        ok = true;
      }
    }
  }
  if (uninit) CoUninitialize();
  return ok;
}
