#include "platform/qt/WaitNotifier.h"

#include <QSocketNotifier>

WaitNotifier::WaitNotifier(WaitHandle handle, QObject* parent) : QObject(parent), handle_(handle) {
    auto* notifier = new QSocketNotifier(handle, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &WaitNotifier::Ready);
}
