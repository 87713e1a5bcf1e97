#pragma once

// A panel of the status bar: as wide as its text needs, never narrower than its minimum width.
// When the bar cannot give it that much, the text ends in "…" and shows whole in a tooltip; a text
// given with a kept end (a size after a name) loses its beginning instead. An archive's name is
// shown as the list shows names.

#include <QLabel>

class PanneauEtat final : public QLabel {
public:
    // A panel that `cede` gives up its width first, down to `largeurMin`, when the bar is short;
    // the others keep their whole text as long as the window is wide enough for it.
    PanneauEtat(int largeurMin, bool cede, QWidget* parent);

    // `debut` then `fin`, of which only `debut` is ever cut.
    void setTexte(const QString& debut, const QString& fin);
    // While the bar also shows a pass's progress or its outcome, every panel gives up its width,
    // down to half its minimum width, an empty one first and all of it, rather than push anything
    // out of the window.
    void serrer(bool serre);
    // What the panel says matters nothing beside a pass: it gives up all its width as an empty one.
    void rendreAccessoire() { accessoire_ = true; }

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
    bool serre_ = false;
    bool accessoire_ = false;
    QString fin_; // kept whole when the text ends with it
};
