#pragma once

#include <string>

#include "BuildConfig.h"

// The application's pages in the store; host, slugs and identifiers come from the build's
// configuration.

namespace storm {

inline std::string productPageURL() {
  return std::string("http://") + build::kStoreHost + "/us/app/" + build::kAppStoreSlug + "/id" +
         std::to_string(build::kAppStoreId) + "?mt=8";
}

inline std::string makerPageURL() {
  return std::string("http://") + build::kStoreHost + "/us/artist/" + build::kArtistStoreSlug + "/id" +
         std::to_string(build::kArtistStoreId) + "?uo=4";
}

}  // namespace storm
