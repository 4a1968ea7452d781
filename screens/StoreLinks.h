#pragma once

// The application's pages in the store, fixed at build time (host, slugs and identifiers come
// from the build's configuration).

#define STORM_STRINGIFY_(x) #x
#define STORM_STRINGIFY(x) STORM_STRINGIFY_(x)

namespace storm {

inline constexpr const char* kProductPageURL =
    "http://" STORM_STORE_HOST "/us/app/" STORM_APP_STORE_SLUG "/id" STORM_STRINGIFY(STORM_APP_STORE_ID) "?mt=8";
inline constexpr const char* kMakerPageURL = "http://" STORM_STORE_HOST "/us/artist/" STORM_ARTIST_STORE_SLUG
                                             "/id" STORM_STRINGIFY(STORM_ARTIST_STORE_ID) "?uo=4";

}  // namespace storm
