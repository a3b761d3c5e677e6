// Passing keys on: the side windows hand the keys typed into them to the driving window, so the
// train can be driven whichever window has the focus.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tressmoor::view {

/// An event filter that sends a copy of every key press and release its watched widget gets to
/// a target widget (the driving window), whose own key handlers then run as for a key typed
/// into it. The watched widget still handles the key itself afterwards. Releases are passed on
/// too: the driving window follows held keys (horns, the safety button, F2) from press to
/// release, and a release it never saw would leave a horn sounding. Qt GUI thread only.
class KeyForwarder final : public QObject {
    Q_OBJECT
public:
    KeyForwarder(QWidget* target, QObject* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> target_;
};

/// Passes the keys typed into `source` on to `target` (the forwarder is owned by `source`).
void forwardKeys(QWidget* source, QWidget* target);

}  // namespace tressmoor::view
