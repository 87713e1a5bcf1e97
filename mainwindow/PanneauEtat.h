#pragma once

// A panel of the status bar: as wide as its text needs, never narrower than its minimum width.
// When the bar cannot give it that much, the text ends in "…" and shows whole in a tooltip. An
// archive's name is shown as the list shows names.

#include <QLabel>

class PanneauEtat final : public QLabel {
public:
    // A panel that `cede` gives up its width first, down to `largeurMin`, when the bar is short;
    // the others keep their whole text as long as the window is wide enough for it.
    PanneauEtat(int largeurMin, bool cede, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* evenement) override;
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString texteMontre() const;
    int retrait() const; // on each side of the text, inside the frame

    int largeurMin_;
    bool cede_;
};
