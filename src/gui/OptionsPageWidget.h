#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

class QAction;
class QLabel;

namespace kw {

class OptionsVisit;

// What the options window uses of the window that opens it.
struct OptionsLinks {
    const QWidget* anchor = nullptr;  // the window the dialog is placed over
    // The event boundary: runs a command and shows a core error in an error box.
    std::function<void(const std::function<void()>&)> run;
    std::function<void(bool hide)> setHideOnDeactive;
    QAction* packMDB = nullptr;
    QAction* exportUserChannel = nullptr;
    QAction* authorHomePage = nullptr;
    QAction* authorEmail = nullptr;
};

// One page of the options window, filling the window: it builds its controls,
// load() shows what the visit gives, save() hands the page back to it. The
// page asks the window to close through accepted and rejected.
class OptionsPageWidget : public QWidget {
    Q_OBJECT
public:
    OptionsPageWidget(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent);

    virtual void load() = 0;
    virtual void save() {}
    // Escape, the window's close or the page's cancel button.
    virtual void cancel() {}

signals:
    void accepted();
    void rejected();

protected:
    void run(const std::function<void()>& command) const { links_.run(command); }

    OptionsVisit& visit_;
    const OptionsLinks& links_;
};

// The hint panel of a page: the text of the control under the mouse (or of
// the control with the focus), in white on blue.
class OptionsHintPanel : public QObject {
public:
    enum class Follows { Mouse, Focus };
    OptionsHintPanel(QObject* owner, Follows follows);

    // Makes the panel's label; the hints may be added before it.
    QLabel* place(QWidget* parent, const char* name, int pixelSize, QRect geometry);
    void show(std::string_view text);
    // control shows text in the panel.
    void add(QWidget* control, std::string_view text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mouseLeft(QWidget* control);

    QLabel* panel_ = nullptr;
    Follows follows_;
    QHash<QObject*, QString> hints_;
    bool leaving_ = false;       // a left control's group is about to show its hint
    QPointer<QWidget> leftFor_;  // that group, unless a control was entered meanwhile
};

namespace options_ui {

std::string utf8(const QString& text);
QLabel* label(QWidget* parent, const char* name, std::string_view text, QRect geometry);

}  // namespace options_ui

}  // namespace kw
