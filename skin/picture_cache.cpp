#include "skin/picture_cache.h"

#include <map>
#include <memory>
#include <utility>

#include "res/pictures.h"
#include "skin/dpi_scale.h"
#include "skin/png_resource.h"

namespace {

// By module as well: a program may switch its resource module.
using PictureKey = std::pair<HMODULE, UINT>;

struct PictureCache
{
    std::map<PictureKey, std::unique_ptr<Gdiplus::Image>> pictures;   // a missing id is remembered too
    std::map<Gdiplus::Image*, PictureKey> keys;                       // each picture's own key
};

PictureCache& Cache()
{
    static PictureCache s_cache;
    return s_cache;
}

Gdiplus::Image* GetCachedPicture(HMODULE hModule, UINT nResourceID)
{
    PictureCache& cache = Cache();
    const PictureKey key(hModule, nResourceID);
    auto it = cache.pictures.find(key);
    if (it == cache.pictures.end()) {
        it = cache.pictures.emplace(key, LoadPngResource(nResourceID)).first;
        if (it->second)
            cache.keys.emplace(it->second.get(), key);
    }
    return it->second.get();
}

}  // namespace

Gdiplus::Image* GetSkinPicture(UINT nID)
{
    return GetCachedPicture(AfxGetResourceHandle(), nID);
}

Gdiplus::Image* GetSkinPictureForDpi(Gdiplus::Image* pImage, int nDpi)
{
    const int nWanted = PictureStepForDpi(nDpi);
    if (!pImage || nWanted == 0)
        return pImage;
    const PictureCache& cache = Cache();
    const auto it = cache.keys.find(pImage);
    if (it == cache.keys.end())
        return pImage;
    const PictureKey& key = it->second;
    // The wanted scale, else the next larger one (still only reduced), else
    // the largest drawing there is below it.
    for (int nStep = nWanted; nStep < PICTURE_SCALE_STEPS; ++nStep) {
        if (Gdiplus::Image* pDrawn = GetCachedPicture(key.first, PICTURE_ID(key.second, nStep)))
            return pDrawn;
    }
    for (int nStep = nWanted - 1; nStep > 0; --nStep) {
        if (Gdiplus::Image* pDrawn = GetCachedPicture(key.first, PICTURE_ID(key.second, nStep)))
            return pDrawn;
    }
    return pImage;
}
