#pragma once

#include <memory>

#include "rating/URLConnection.h"
#include "system/qt/QtDispatch.h"

class QNetworkAccessManager;

// Fire-and-forget HTTP requests with QNetworkAccessManager. The caller's thread only checks the
// URL and posts the request to the manager's thread (the main thread, whose event loop runs the
// network); the reply is read and thrown away, and nothing waits for it.

namespace storm::qt {

class QtURLConnectionFactory : public URLConnectionFactory {
 public:
  // Main thread.
  QtURLConnectionFactory();
  ~QtURLConnectionFactory() override;

  // Any thread. A connection is made for any valid http or https URL.
  bool startConnection(const URLRequest& request) override;

 private:
  std::unique_ptr<QNetworkAccessManager> manager_;
  MainThreadQueue managerThread_;  // declared last: gone first, with any request still queued
};

}  // namespace storm::qt
