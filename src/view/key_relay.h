// KeyRelay: passes the keys typed into a side window on to the driving window, so that the
// train can be driven whichever window has the focus.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace tressmoor::view {

/// Installed on a side window and every widget in it; key presses and releases reach the
/// driving window (`target`) as if typed there and go no further.
class KeyRelay final : public QObject {
    Q_OBJECT
public:
    enum class Keys {
        All,              ///< driving keys and typed characters
        DrivingKeysOnly,  ///< function, cursor and the other driving keys; characters stay
    };
    /// Whether a watched widget still handles the keys it passes on (a text box that scrolls).
    enum class Watched {
        LosesKeys,
        KeepsKeys,
    };
    KeyRelay(QWidget* target, Keys keys, QObject* parent, Watched watched = Watched::LosesKeys);

    /// Installs the relay on `window` and every widget in it now.
    void watch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> target_;  ///< nothing is passed on once the driving window is gone
    Keys keys_;
    Watched watched_;
};

/// True for the keys the driving window handles as key-down keys rather than as characters.
bool isDrivingKey(int qtKey);

/// The key code a character is typed with: letters and digits have their own codes, the
/// punctuation keys' codes are their characters.
int characterKeyCode(char character);

/// Types `character` into `target` (a key press and its release), as the keyboard would.
void typeCharacter(QWidget* target, char character);

}  // namespace tressmoor::view
