// HelpWindow: the help window "Help" — the help text file's first line as its caption, the rest
// as read-only text; the keys typed into it drive the train.
#pragma once

#include <QWidget>
#include <filesystem>

class QPlainTextEdit;

namespace tressmoor::view {

/// Name of the help text file in the program folder.
inline constexpr const char* kHelpFileName = "operation.dat";

/// A window of its own beside the driving window. Key presses and releases typed into its text
/// are passed on to `keyTarget` (the driving window) unchanged.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    /// An empty help window captioned "Help"; `parent` owns it (it stays a separate window).
    HelpWindow(QWidget* keyTarget, QWidget* parent);

    /// Reads the help text file (Shift_JIS or UTF-8): its first line becomes the caption, every
    /// further line a line of the text. Returns false, leaving the caption "Help" and the text
    /// empty, when the file cannot be read.
    bool load(const std::filesystem::path& file);

    /// The read-only text ("Memo1").
    QPlainTextEdit* text() const { return text_; }

private:
    QPlainTextEdit* text_;
};

}  // namespace tressmoor::view
