#pragma once

#include <string>

// The rating prompt's probe: an HTTP request whose answer nobody waits for.

namespace storm {

// The probe never takes a cached answer.
enum class URLRequestCachePolicy { ReloadIgnoringLocalCacheData = 1 };

struct URLRequest {
  std::string url;
  URLRequestCachePolicy cachePolicy = URLRequestCachePolicy::ReloadIgnoringLocalCacheData;
  double timeoutInterval = 60.0;  // seconds
};

class URLConnectionFactory {
 public:
  virtual ~URLConnectionFactory() = default;
  // Starts `request` and returns at once: true when a connection was made for it (its outcome is
  // never reported), false when none could be (a malformed URL, say). Any thread.
  virtual bool startConnection(const URLRequest& request) = 0;
};

}  // namespace storm
