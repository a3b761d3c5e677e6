// Passing side windows' keys on to the driving window, and typing characters into it.
#include "view/key_relay.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tressmoor::view {

KeyRelay::KeyRelay(QWidget* target, Keys keys, QObject* parent, Watched watched)
    : QObject(parent), target_(target), keys_(keys), watched_(watched) {}

void KeyRelay::watch(QWidget* window) {
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool KeyRelay::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (target_ == nullptr || watched == target_ ||
        (keys_ == Keys::DrivingKeysOnly && !isDrivingKey(key->key()))) {
        return QObject::eventFilter(watched, event);
    }
    // Releases go along too: a horn, the safety button or the engine key held down here ends
    // when it is let go.
    QKeyEvent copy(type, key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                   static_cast<quint16>(key->count()));
    QCoreApplication::sendEvent(target_, &copy);
    return watched_ == Watched::LosesKeys;
}

bool isDrivingKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace:
        case Qt::Key_ScrollLock:
        case Qt::Key_Escape:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Space:
            return true;
        default:
            return qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12;
    }
}

int characterKeyCode(char character) {
    if (character >= 'a' && character <= 'z') return Qt::Key_A + (character - 'a');
    return QChar::fromLatin1(character).toUpper().unicode();
}

void typeCharacter(QWidget* target, char character) {
    const int code = characterKeyCode(character);
    const QString text(QChar::fromLatin1(character));
    QKeyEvent down(QEvent::KeyPress, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &up);
}

}  // namespace tressmoor::view
