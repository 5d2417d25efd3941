#include "tools/GuiSession.h"

#include <QGuiApplication>
#include <cstdio>

namespace kestrava {

namespace {

void QuietQtMessages(QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
  if (Message.startsWith(QStringLiteral("QStandardPaths:")))
    return;
  const QByteArray Text = qFormatLogMessage(Type, Context, Message).toLocal8Bit();
  std::fprintf(stderr, "%s\n", Text.constData());
}

} // namespace

TGuiSession::TGuiSession() {
  if (QCoreApplication::instance() == nullptr) {
    Previous_ = qInstallMessageHandler(QuietQtMessages);
    App_ = std::make_unique<QGuiApplication>(Argc_, Argv_);
  }
}

TGuiSession::~TGuiSession() {
  if (App_) {
    App_.reset();
    qInstallMessageHandler(Previous_);
  }
}

} // namespace kestrava
