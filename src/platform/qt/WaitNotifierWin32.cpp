#include "platform/qt/WaitNotifier.h"

#include <QWinEventNotifier>

WaitNotifier::WaitNotifier(WaitHandle handle, QObject* parent) : QObject(parent), handle_(handle) {
    auto* notifier = new QWinEventNotifier(handle, this);
    connect(notifier, &QWinEventNotifier::activated, this, &WaitNotifier::Ready);
}
