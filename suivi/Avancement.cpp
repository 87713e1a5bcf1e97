#include "Avancement.h"

#include "Interaction.h"
#include "Messages.h"
#include "Nombres.h"
#include "PanneauEtat.h"
#include "TexteVisible.h"
#include "Twips.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// An entry that keeps the library busy longer than this gets the bar; a pass that lasts longer
// than this gets its own.
constexpr qint64 EntreeLongueMs = 1000;
// Before this much of the pass, its pace says too little to foretell its end.
constexpr qint64 AvantEstimationMs = 1000;

// What one entry costs the library beyond its bytes, in bytes that take as long. Measured with
// bench/run: a small file takes about 140 µs to extract and 3 µs to test, a byte of a large one
// about 10 ns and 6 ns. Without it, 100,000 small files would fill the bar with their first
// large one.
double coutEntree(int mode) {
    return mode == ModeExtraction ? 16 * 1024 : 512;
}

double unites(int mode, const Travail& t) {
    return double(std::max<qint64>(0, t.octets)) +
           double(std::max<qint64>(0, t.entrees)) * coutEntree(mode);
}

} // namespace

// A bar with its text on it: the percentage it shows, or a text of its own.
class BarreAvancement final : public QProgressBar {
public:
    // At least `largeurMin` twips wide.
    BarreAvancement(const QString& nom, int largeurMin, QWidget* parent)
        : QProgressBar(parent)
        , largeurMin_(largeurMin) {
        setObjectName(nom);
        setRange(0, 1000);
        setTextVisible(true);
        setAlignment(Qt::AlignCenter);
        hide();
    }

    // `texte` empty: the percentage.
    void montrer(int millieme, const QString& texte) {
        texte_ = texte;
        setValue(millieme);
        // As wide as its widest text so far: a bar that narrowed and widened as digits come and
        // go would shake the whole status bar.
        const int largeur = largeurTexte(font(), text()) + 4 * fontMetrics().averageCharWidth();
        if (largeur > largeur_) {
            largeur_ = largeur;
            updateGeometry();
        }
        show();
    }

    void oublier() {
        largeur_ = 0;
        hide();
    }

    QString text() const override {
        return texte_.isEmpty() ? QStringLiteral("%1 %").arg(value() / 10) : texte_;
    }

    // Wide enough to read, and for its text on one line: the panels give way.
    QSize minimumSizeHint() const override {
        return {std::max(largeurMin(), largeur_), QProgressBar::sizeHint().height()};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    // In a window too narrow even so, the text ends in "…" on its line rather than break over
    // two.
    void paintEvent(QPaintEvent*) override {
        QStylePainter peintre(this);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        const int place =
            style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, this).width();
        option.text = fontMetrics().elidedText(option.text, Qt::ElideRight, place);
        peintre.drawControl(QStyle::CE_ProgressBar, option);
    }

private:
    int largeurMin() const { return platform::pixelsX(this, largeurMin_); }

    int largeurMin_;
    QString texte_;
    int largeur_ = 0;
};

Avancement::Avancement(QStatusBar* barre, std::vector<PanneauEtat*> panneaux)
    : barrePasse_(new BarreAvancement(QStringLiteral("progressionPasse"), 1800, barre))
    // An entry's percentage is short: the whole pass's bar beside it keeps the room it needs.
    , barreEntree_(new BarreAvancement(QStringLiteral("progression"), 1000, barre))
    , panneaux_(std::move(panneaux))
    , bilan_(new PanneauEtat(0, false, barre))
    , lien_(new QLabel(QStringLiteral("<a href=\"dossier\">Ouvrir le dossier</a>"), barre)) {
    bilan_->setObjectName(QStringLiteral("bilan"));
    bilan_->hide();
    lien_->setObjectName(QStringLiteral("ouvrirDossier"));
    lien_->setTextFormat(Qt::RichText);
    lien_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lien_->setContentsMargins(platform::pixelsX(lien_, 60), 0, platform::pixelsX(lien_, 60), 0);
    lien_->hide();
    QObject::connect(lien_, &QLabel::linkActivated, lien_, [this] { montrerDossier(); });
    barre->addPermanentWidget(bilan_);
    barre->addPermanentWidget(lien_);
    barre->addPermanentWidget(barrePasse_);
    barre->addPermanentWidget(barreEntree_);
}

void Avancement::ajouterPanneau(PanneauEtat* panneau) {
    panneaux_.push_back(panneau);
    placer();
}

void Avancement::debut(int mode, std::optional<Travail> aFaire, bool selection) {
    mode_ = mode;
    aFaire_ = mode == ModeListe ? std::nullopt : aFaire;
    selection_ = selection;
    fait_ = {};
    taille_ = faits_ = 0;
    ouverte_ = false;
    ok_ = erreurs_ = ignores_ = entrees_ = 0;
    passe_.start();
    entree_.start();
    entreesDatees_ = 0;
    barrePasse_->oublier();
    barreEntree_->oublier();
    bilan_->hide();
    lien_->hide();
    placer();
}

void Avancement::terminerEntree() {
    if (ouverte_) {
        fait_.octets += std::max<qint64>(0, taille_);
        ++fait_.entrees;
        ouverte_ = false;
    }
}

void Avancement::entree(qint64 taille) {
    terminerEntree(); // an entry without result is done all the same
    taille_ = taille;
    faits_ = 0;
    ouverte_ = true;
    ++entrees_;
}

void Avancement::sautee(qint64 taille) {
    Q_UNUSED(taille); // not part of the work of a selection, though a solid archive decodes it
    terminerEntree();
    ++entrees_;
}

void Avancement::octets(qint64 faits) {
    faits_ = faits;
}

void Avancement::resultat(Resultat r) {
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
        ouverte_ = false; // not done
        return;
    }
    terminerEntree();
}

void Avancement::actualiser(bool boite) {
    // An entry's start is read here rather than for each of a list's 100,000 rows: one that began
    // since the last call is timed from now, its bar an interval late at most.
    if (entrees_ != entreesDatees_) {
        entreesDatees_ = entrees_;
        entree_.start();
    }
    if (boite) {
        cacher();
        return;
    }
    const qint64 ms = passe_.elapsed();
    const Travail fait{fait_.entrees,
                       fait_.octets + (ouverte_ ? std::clamp<qint64>(faits_, 0, taille_) : 0)};
    // Once shown, a bar stays for the rest of the pass: entries of a few seconds each would make
    // it blink.
    if (aFaire_ && (!barrePasse_->isHidden() || ms >= EntreeLongueMs)) {
        barrePasse_->montrer(millieme(mode_, fait, *aFaire_),
                             texteAvancement(mode_, fait, *aFaire_, ms));
    }
    if (!barreEntree_->isHidden() ||
        (ouverte_ && taille_ > 0 && entree_.elapsed() >= EntreeLongueMs)) {
        barreEntree_->montrer(
            taille_ > 0 ? int(std::clamp<qint64>(faits_ * 1000 / taille_, 0, 1000)) : 1000,
            QString());
    }
    placer();
}

void Avancement::cacher() {
    barrePasse_->hide();
    barreEntree_->hide();
    placer();
}

void Avancement::ajouterTemoin(QWidget* temoin) {
    temoins_.push_back(temoin);
}

// The panels give way while a bar, the line or a witness shows.
void Avancement::placer() {
    const bool serre = !barrePasse_->isHidden() || !barreEntree_->isHidden() ||
                       !bilan_->isHidden() ||
                       std::any_of(temoins_.begin(), temoins_.end(),
                                   [](const QWidget* t) { return !t->isHidden(); });
    for (PanneauEtat* p : panneaux_) {
        p->serrer(serre);
    }
}

void Avancement::fin(bool interrompue, const QString& dossier) {
    barrePasse_->hide();
    barreEntree_->hide();
    if (mode_ == ModeListe) {
        placer();
        return;
    }
    bilan_->setText(bilan(mode_, ok_, erreurs_, ignores_, interrompue,
                          selection_ && mode_ == ModeExtraction ? entrees_ : -1));
    bilan_->show();
    dossier_ = dossier;
    lien_->setVisible(mode_ == ModeExtraction && ok_ > 0 && !dossier.isEmpty());
    placer();
}

void Avancement::effacer() {
    barrePasse_->hide();
    barreEntree_->hide();
    bilan_->hide();
    bilan_->clear();
    lien_->hide();
    placer();
}

void Avancement::montrerDossier() {
    // The answer may come once the window has gone.
    QPointer<QWidget> fenetre = lien_->window();
    platform::interaction().ouvrirDossier(dossier_, [fenetre, dossier = dossier_] {
        if (fenetre != nullptr) {
            platform::interaction().message(
                fenetre,
                QStringLiteral("Aucune application ne montre le dossier « %1 ».")
                    .arg(nomVisible(dossier)),
                Messages::TitreErreur, platform::Icone::Exclamation);
        }
    });
}

QString Avancement::dossierExtrait() const {
    return lien_->isHidden() ? QString() : dossier_;
}

QString Avancement::texteBilan() const {
    return bilan_->text();
}

QString Avancement::bilan(int mode, int ok, int erreurs, int ignores, bool interrompue,
                          int entrees) {
    const auto compte = [](int n, const QString& mot) {
        return nombre(n) + QLatin1Char(' ') + mot + (n > 1 ? QStringLiteral("s") : QString());
    };
    const QString erreursVues = QStringLiteral(", ") + compte(erreurs, QStringLiteral("erreur"));
    QString texte;
    if (interrompue) {
        // What was done stays done: the user knows how much.
        texte = QStringLiteral("Interrompu : ") +
                (mode == ModeExtraction ? compte(ok, QStringLiteral("extrait"))
                                        : nombre(ok) + QStringLiteral(" OK")) +
                erreursVues;
    } else {
        texte = entrees < 0 ? nombre(ok) + QStringLiteral(" OK")
                            : compte(ok, QStringLiteral("extrait")) + QStringLiteral(" sur ") +
                                  nombre(entrees);
        if (erreurs > 0) {
            texte += erreursVues;
        }
    }
    if (ignores > 0) {
        texte += QStringLiteral(", ") + compte(ignores, QStringLiteral("ignoré"));
    }
    return texte;
}

QString Avancement::texteAvancement(int mode, const Travail& fait, const Travail& aFaire,
                                    qint64 ms) {
    QString texte = nombre(fait.entrees) + QStringLiteral(" sur ") + nombre(aFaire.entrees);
    const double faites = unites(mode, fait);
    const double toutes = unites(mode, aFaire);
    if (ms >= AvantEstimationMs && faites > 0 && toutes > faites) {
        texte += QStringLiteral(" · ") +
                 tempsRestant(qint64(std::ceil(double(ms) * (toutes - faites) / faites / 1000.0)));
    }
    return texte;
}

int Avancement::millieme(int mode, const Travail& fait, const Travail& aFaire) {
    const double toutes = unites(mode, aFaire);
    return toutes > 0 ? int(std::clamp(unites(mode, fait) * 1000.0 / toutes, 0.0, 1000.0)) : 1000;
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
