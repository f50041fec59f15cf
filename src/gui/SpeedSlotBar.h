#pragma once

#include "gui/MainCommand.h"

#include <QObject>

#include <array>
#include <cstddef>

class QAction;
class QLabel;
class QToolButton;
class QWidget;

namespace kw {

class Session;
struct WindowState;

// The speed-channel bar down the main window's left edge: 22 slot buttons,
// the set's Save and Open, and the Ctrl+digit keys for the first ten slots.
// A click runs the session's slot command; the bar then shows the slots as
// the session keeps them.
class SpeedSlotBar : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kSlots = 22;

    // Makes the buttons on window at their places; the window outlives the bar.
    explicit SpeedSlotBar(QWidget& window);

    // The slots' commands, and the information line that names the channel
    // of the slot under the mouse. `menuEntries` are the pop-up menu's
    // entries that assign the selected channel to a slot.
    void connectCommands(Session& session, const std::array<QAction*, kSlots>& menuEntries, QLabel& info,
                         const CommandRunner& run, const std::function<void()>& showState);
    // Ctrl+1 … Ctrl+9 press the first nine slots and Ctrl+0 the tenth.
    void buildKeys(QWidget& window);
    // The slots' pressed states and names and the Open button's hint.
    void show(const WindowState& state);

    const std::array<QToolButton*, kSlots>& buttons() const { return buttons_; }
    QToolButton* saveButton() const { return save_; }
    QToolButton* openButton() const { return open_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QToolButton*, kSlots> buttons_{};
    QToolButton* save_ = nullptr;
    QToolButton* open_ = nullptr;
    Session* session_ = nullptr;
    QLabel* info_ = nullptr;
};

}  // namespace kw
