#include "rating/qt/QtURLConnection.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <cmath>
#include <limits>

namespace storm::qt {

QtURLConnectionFactory::QtURLConnectionFactory() : manager_(std::make_unique<QNetworkAccessManager>()) {}

QtURLConnectionFactory::~QtURLConnectionFactory() = default;

bool QtURLConnectionFactory::startConnection(const URLRequest& request) {
  const QUrl url(QString::fromStdString(request.url), QUrl::StrictMode);
  if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") || url.host().isEmpty()) return false;
  QNetworkRequest networkRequest(url);
  if (request.cachePolicy == URLRequestCachePolicy::ReloadIgnoringLocalCacheData)
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  // Like the request's timeout, Qt's transfer timeout is the time the request may stay idle.
  const long long timeoutMs = std::llround(request.timeoutInterval * 1000);
  if (timeoutMs > 0 && timeoutMs <= std::numeric_limits<int>::max())
    networkRequest.setTransferTimeout(static_cast<int>(timeoutMs));
  QNetworkAccessManager* manager = manager_.get();
  managerThread_.post([manager, networkRequest] {
    QNetworkReply* reply = manager->get(networkRequest);
    QObject::connect(reply, &QIODevice::readyRead, reply, [reply] { reply->readAll(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
  });
  return true;
}

}  // namespace storm::qt
