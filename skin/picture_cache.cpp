#include "skin/picture_cache.h"

#include <map>
#include <memory>
#include <utility>

#include "skin/png_resource.h"

Gdiplus::Image* GetSkinPicture(UINT nID)
{
    // By module as well: a program may switch its resource module.
    using Key = std::pair<HMODULE, UINT>;
    static std::map<Key, std::unique_ptr<Gdiplus::Image>> s_pictures;
    const Key key(AfxGetResourceHandle(), nID);
    auto it = s_pictures.find(key);
    if (it == s_pictures.end())
        it = s_pictures.emplace(key, LoadPngResource(nID)).first;   // a missing id is remembered too
    return it->second.get();
}
