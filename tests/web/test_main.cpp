// The windows and the network classes need an application object before any test runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Only the tests' own server on 127.0.0.1 is ever asked: no proxy from the environment.
  QNetworkProxyFactory::setUseSystemConfiguration(false);
  QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
