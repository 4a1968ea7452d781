#pragma once

#include <string>

// HTTP requests whose answer nobody waits for.

namespace storm {

enum class URLRequestCachePolicy {
  UseProtocolCachePolicy = 0,
  ReloadIgnoringLocalCacheData = 1,
};

struct URLRequest {
  std::string url;
  URLRequestCachePolicy cachePolicy = URLRequestCachePolicy::UseProtocolCachePolicy;
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
