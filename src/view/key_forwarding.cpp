#include "view/key_forwarding.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tressmoor::view {

KeyForwarder::KeyForwarder(QWidget* target, QObject* parent) : QObject(parent), target_(target) {}

bool KeyForwarder::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && target_ != nullptr &&
        watched != target_) {
        const auto* e = static_cast<const QKeyEvent*>(event);
        QKeyEvent copy(type, e->key(), e->modifiers(), e->nativeScanCode(), e->nativeVirtualKey(),
                       e->nativeModifiers(), e->text(), e->isAutoRepeat(),
                       static_cast<quint16>(e->count()));
        QCoreApplication::sendEvent(target_, &copy);
    }
    return QObject::eventFilter(watched, event);
}

void forwardKeys(QWidget* source, QWidget* target) {
    source->installEventFilter(new KeyForwarder(target, source));
}

}  // namespace tressmoor::view
