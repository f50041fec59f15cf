#pragma once

#include "gui/OptionsPageWidget.h"

class QLabel;

namespace kw {

// The about page: the program's texts, the data version, the author's
// addresses (a click opens them) and the channel count.
class OptionsAboutPage : public OptionsPageWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 330;

    OptionsAboutPage(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent);

    void load() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblVerDat_ = nullptr;
    QLabel* lblAuthorHomepage_ = nullptr;
    QLabel* lblAuthorEmail_ = nullptr;
    QLabel* lblChannelCount_ = nullptr;
};

}  // namespace kw
