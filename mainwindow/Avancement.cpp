#include "Avancement.h"

#include "PanneauEtat.h"
#include "TexteVisible.h"
#include "Twips.h"

#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>
#include <utility>

namespace {

// An entry that keeps the library busy longer than this gets the bar.
constexpr qint64 EntreeLongueMs = 1000;
// Before this much of the pass, its pace says too little to foretell its end.
constexpr qint64 AvantEstimationMs = 1000;

} // namespace

// The bar, with its text on it: the entry's percentage, then the time left when it is known.
class BarreAvancement final : public QProgressBar {
public:
    explicit BarreAvancement(QWidget* parent)
        : QProgressBar(parent) {
        setObjectName(QStringLiteral("progression"));
        setRange(0, 1000);
        setTextVisible(true);
        setAlignment(Qt::AlignCenter);
    }

    void montrer(int millieme, const QString& restant) {
        if (restant != restant_) {
            restant_ = restant;
            updateGeometry();
        }
        setValue(millieme);
        show();
    }

    QString text() const override {
        const QString pourcent = QStringLiteral("%1 %").arg(value() / 10);
        return restant_.isEmpty() ? pourcent : pourcent + QStringLiteral(" · ") + restant_;
    }

    // Wide enough to read, and for its text on one line: the panels give way.
    QSize minimumSizeHint() const override {
        const int texte = largeurTexte(font(), text()) + 4 * fontMetrics().averageCharWidth();
        return {std::max(largeurMin(), texte), QProgressBar::sizeHint().height()};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

private:
    int largeurMin() const { return std::max(120, platform::pixelsX(this, 1800)); }

    QString restant_;
};

Avancement::Avancement(QStatusBar* barre, std::vector<PanneauEtat*> panneaux)
    : barre_(new BarreAvancement(barre))
    , panneaux_(std::move(panneaux))
    , bilan_(new PanneauEtat(0, false, barre)) {
    barre_->hide();
    bilan_->setObjectName(QStringLiteral("bilan"));
    bilan_->hide();
    barre->addPermanentWidget(bilan_);
    barre->addPermanentWidget(barre_);
}

void Avancement::ajouterPanneau(PanneauEtat* panneau) {
    panneaux_.push_back(panneau);
    placer();
}

void Avancement::debut(int mode, qint64 total, bool selection) {
    mode_ = mode;
    total_ = mode == ModeListe ? 0 : total;
    selection_ = selection;
    faitsAvant_ = taille_ = faits_ = 0;
    ouverte_ = false;
    ok_ = erreurs_ = ignores_ = entrees_ = 0;
    passe_.start();
    entree_.start();
    barre_->hide();
    bilan_->hide();
    placer();
}

void Avancement::entree(qint64 taille) {
    if (ouverte_) {
        faitsAvant_ += std::max<qint64>(0, taille_); // an entry without result is done all the same
    }
    taille_ = taille;
    faits_ = 0;
    ouverte_ = true;
    entree_.start();
    ++entrees_;
}

void Avancement::sautee(qint64 taille) {
    entree(taille); // its decoding counts as an entry's work, without a result
}

void Avancement::octets(qint64 faits) {
    faits_ = faits;
}

void Avancement::resultat(Resultat r) {
    if (ouverte_) {
        faitsAvant_ += std::max<qint64>(0, taille_);
        ouverte_ = false;
    }
    switch (r) {
    case Resultat::OK:
        ++ok_;
        break;
    case Resultat::Ignore:
    case Resultat::LienRefuse:
        ++ignores_;
        break;
    case Resultat::Code:
        ++erreurs_;
        break;
    case Resultat::Interrompu:
        break;
    }
}

void Avancement::actualiser(bool boite) {
    if (boite) {
        cacher();
        return;
    }
    // A selection's pass may go through thousands of small entries that it skips, none of which
    // lasts: the bar shows the whole pass once the pass lasts.
    const bool entiere = selection_ && total_ > 0;
    const qint64 ms = passe_.elapsed();
    // Once shown, the bar stays for the rest of the pass: a pass of entries of a few seconds each
    // would make it blink.
    if (barre_->isHidden() &&
        (entiere ? ms < EntreeLongueMs
                 : (!ouverte_ || taille_ <= 0 || entree_.elapsed() < EntreeLongueMs))) {
        return;
    }
    const qint64 faits = faitsAvant_ + (ouverte_ ? std::min(faits_, taille_) : 0);
    const auto partie = [](qint64 fait, qint64 tout) {
        return tout > 0 ? int(std::clamp<qint64>(fait * 1000 / tout, 0, 1000)) : 1000;
    };
    const int millieme = entiere ? partie(faits, total_) : partie(faits_, taille_);
    QString restant;
    if (total_ > 0 && faits > 0 && ms >= AvantEstimationMs) {
        const double parMs = double(faits) / double(ms);
        restant =
            tempsRestant(qint64(double(std::max<qint64>(0, total_ - faits)) / parMs / 1000.0));
    }
    barre_->montrer(millieme, restant);
    placer();
}

void Avancement::cacher() {
    barre_->hide();
    placer();
}

void Avancement::ajouterTemoin(QWidget* temoin) {
    temoins_.push_back(temoin);
}

// The panels give way while the bar, the line or a witness shows.
void Avancement::placer() {
    const bool serre = !barre_->isHidden() || !bilan_->isHidden() ||
                       std::any_of(temoins_.begin(), temoins_.end(),
                                   [](const QWidget* t) { return !t->isHidden(); });
    for (PanneauEtat* p : panneaux_) {
        p->serrer(serre);
    }
}

void Avancement::fin(bool interrompue) {
    barre_->hide();
    if (mode_ == ModeListe) {
        placer();
        return;
    }
    bilan_->setText(bilan(ok_, erreurs_, ignores_, interrompue,
                          selection_ && mode_ == ModeExtraction ? entrees_ : -1));
    bilan_->show();
    placer();
}

void Avancement::effacer() {
    barre_->hide();
    bilan_->hide();
    bilan_->clear();
    placer();
}

QString Avancement::bilan(int ok, int erreurs, int ignores, bool interrompue, int entrees) {
    if (interrompue) {
        return QStringLiteral("Interrompu");
    }
    const QLocale francais(QLocale::French, QLocale::France);
    QString texte = entrees < 0
                        ? francais.toString(ok) + QStringLiteral(" OK")
                        : QStringLiteral("%1 extrait%2 sur %3")
                              .arg(francais.toString(ok), ok > 1 ? QStringLiteral("s") : QString(),
                                   francais.toString(entrees));
    if (erreurs > 0) {
        texte +=
            QStringLiteral(", %1 erreur%2")
                .arg(francais.toString(erreurs), erreurs > 1 ? QStringLiteral("s") : QString());
    }
    if (ignores > 0) {
        texte +=
            QStringLiteral(", %1 ignoré%2")
                .arg(francais.toString(ignores), ignores > 1 ? QStringLiteral("s") : QString());
    }
    return texte;
}

QString Avancement::tempsRestant(qint64 secondes) {
    const auto restantes = [](qint64 n, const QString& unite) {
        return QStringLiteral("%1 %2 restante%3")
            .arg(n)
            .arg(unite, n > 1 ? QStringLiteral("s") : QString());
    };
    if (secondes < 60) {
        return restantes(std::max<qint64>(1, secondes), QStringLiteral("s"));
    }
    const qint64 minutes = (secondes + 59) / 60;
    if (minutes < 60) {
        return restantes(minutes, QStringLiteral("min"));
    }
    return QStringLiteral("%1 h %2 min restantes")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
