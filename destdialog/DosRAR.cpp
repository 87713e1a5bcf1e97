#include "DosRAR.h"

#include "CheminsPartages.h"
#include "DossierListe.h"
#include "Interaction.h"
#include "Lecteurs.h"
#include "TexteVisible.h"
#include "Twips.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <initializer_list>

namespace {

const QString titreErreur = QStringLiteral("Erreur");
// Long enough to read the line, short enough that it does not stay about a key typed long ago.
constexpr int DureeRefusMs = 4000;

// The dialog's own icon: a folder drawn in colours of the 16-colour palette.
QIcon iconeDossier() {
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter peintre(&image);
    peintre.setPen(Qt::black);
    peintre.setBrush(QColor(128, 128, 0));
    peintre.drawRect(3, 7, 12, 5);
    peintre.setBrush(QColor(255, 255, 0));
    peintre.drawRect(3, 10, 26, 17);
    peintre.setPen(QColor(128, 128, 0));
    peintre.drawLine(5, 12, 27, 12);
    return QIcon(image);
}

QPushButton* bouton(const QString& texte, const char* nom, QWidget* parent) {
    auto* b = new QPushButton(texte, parent);
    b->setObjectName(QLatin1String(nom));
    // No button answers Return unless it has the focus (see eventFilter).
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

DosRAR::DosRAR(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("DosRAR"));
    setWindowTitle(QStringLiteral("Choix du dossier de décompression"));
    setWindowIcon(iconeDossier());
    createControls();
    placeControls();
    orderTabs();
    nommerPourLecteurs();
    Dir1->setFocus();
}

void DosRAR::createControls() {
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    const QIcon disque = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const platform::Lecteur& lecteur : platform::lecteurs()) {
        Drive1->addItem(disque, platform::texteLecteur(lecteur), lecteur.racine);
    }

    Dir1 = new DossierListe(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));

    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Command3 = bouton(QStringLiteral("&Créer un sous dossier..."), "Command3", Frame2);

    Frame1 = new QGroupBox(Frame2);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->hide();
    Label1 = new QLabel(QStringLiteral("Nom du dossier :"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setPalette(paletteNomDossier(Text1->palette()));
    Command4 = bouton(QStringLiteral("OK"), "Command4", Frame1);
    Command4->setEnabled(false);

    Command1 = bouton(QStringLiteral("&Extraire"), "Command1", Frame2);
    Command1->setToolTip(
        QStringLiteral("Choix du dossier de décompression et extraction du fichier Zip"));
    Command2 = bouton(QStringLiteral("&Annuler"), "Command2", Frame2);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label3 = new QLabel(Frame2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setWordWrap(true);
    Label3->hide();
    finRefus_ = new QTimer(this);
    finRefus_->setSingleShot(true);
    finRefus_->setInterval(DureeRefusMs);
    connect(finRefus_, &QTimer::timeout, Label3, &QWidget::hide);
    Text1->installEventFilter(this);
    for (QPushButton* b : {Command1, Command2, Command3, Command4}) {
        b->installEventFilter(this);
    }

    // Connected once the list is filled: filling it is not a drive change.
    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(Dir1, &DossierListe::cheminChange, this, &DosRAR::accorderLecteur);
    connect(Dir1, &DossierListe::cheminChange, this, &DosRAR::montrerDestination);
    connect(Command1, &QPushButton::clicked, this, &DosRAR::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DosRAR::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DosRAR::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &DosRAR::Command4_Click);
    connect(Text1, &QLineEdit::textChanged, this, &DosRAR::Text1_Change);
}

void DosRAR::placeControls() {
    // Left, top, width and height in twips, relative to each control's container.
    const auto placer = [this](QWidget* w, int gauche, int haut, int largeur, int hauteur) {
        w->setGeometry(platform::pixelsX(this, gauche), platform::pixelsY(this, haut),
                       platform::pixelsX(this, largeur), platform::pixelsY(this, hauteur));
    };
    setFixedSize(platform::pixelsX(this, 7095), platform::pixelsY(this, 5775));
    placer(Drive1, 120, 120, 6855, 315);
    placer(Dir1, 120, 480, 6855, 3390);
    placer(Label2, 120, 3915, 6855, 255);
    placer(Frame2, 120, 4200, 6855, 1455);
    placer(Command3, 120, 240, 2055, 495);
    placer(Frame1, 2280, 120, 4455, 615);
    placer(Label1, 120, 240, 1215, 255);
    placer(Text1, 1440, 240, 2295, 285);
    placer(Command4, 3840, 150, 495, 400);
    placer(Command1, 120, 840, 2055, 495);
    placer(Command2, 4680, 840, 2055, 495);
    laisserPlaceAuxLegendes();
    // The line under the list takes from the list what a larger font needs.
    const int manque = Label2->sizeHint().height() - Label2->height();
    if (manque > 0) {
        Dir1->resize(Dir1->width(), Dir1->height() - manque);
        Label2->setGeometry(Label2->geometry().adjusted(0, -manque, 0, 0));
    }
    // The refused key is told between "&Extraire" and "&Annuler", under the name's field.
    const int ecart = platform::pixelsX(this, 105);
    Label3->setGeometry(QRect(QPoint(Command1->geometry().right() + ecart, Command1->y()),
                              QPoint(Command2->x() - ecart, Frame2->height() - ecart)));
}

void DosRAR::laisserPlaceAuxLegendes() {
    // The twips sizes are least sizes: in a larger font, or at another resolution, a caption gets
    // the width its text needs and what stands to its right in its row moves over by as much.
    // `rangee` returns how much its row grew.
    const auto rangee = [](std::initializer_list<QWidget*> controles) {
        int pousse = 0;
        for (QWidget* w : controles) {
            QRect r = w->geometry().translated(pousse, 0);
            const bool legende = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
            const int manque = w->sizeHint().width() - r.width();
            if (legende && manque > 0) {
                r.setWidth(r.width() + manque);
                pousse += manque;
            }
            w->setGeometry(r);
        }
        return pousse;
    };
    const auto elargir = [](QWidget* w, int de) { w->resize(w->width() + de, w->height()); };

    const int entree = rangee({Label1, Text1, Command4});
    elargir(Frame1, entree);
    const int cadre = std::max(rangee({Command3, Frame1}) + entree, rangee({Command1, Command2}));
    elargir(Frame2, cadre);
    elargir(Drive1, cadre);
    elargir(Dir1, cadre);
    elargir(Label2, cadre);
    // "&Annuler" stays at the right edge of the frame.
    Command2->move(Frame2->width() - platform::pixelsX(this, 120) - Command2->width(),
                   Command2->y());
    setFixedSize(width() + cadre, height());
}

void DosRAR::orderTabs() {
    // Dir1 first, so it has the focus at opening; Command4 comes before Text1.
    QWidget::setTabOrder(Dir1, Drive1);
    QWidget::setTabOrder(Drive1, Command3);
    QWidget::setTabOrder(Command3, Command4);
    QWidget::setTabOrder(Command4, Text1);
    QWidget::setTabOrder(Text1, Command1);
    QWidget::setTabOrder(Command1, Command2);
}

void DosRAR::afficherModal(QWidget* parent) {
    DosRAR dialogue(parent);
    dialogue.Form_Load();
    dialogue.exec();
}

void DosRAR::choisirLecteur(const QString& racine) {
    const int index = Drive1->findData(racine);
    if (index < 0) {
        throw platform::ErreurDossier("lecteur absent de la liste");
    }
    Drive1->setCurrentIndex(index);
}

void DosRAR::montrerDossierDuProcessus() {
    // The current directory may have been removed or be unreadable, and so may its drive's root.
    const QString courant = QDir::currentPath();
    for (const QString& dossier : {courant, platform::lecteurDe(courant), QDir::rootPath()}) {
        try {
            Dir1->setChemin(dossier);
            return;
        } catch (const platform::ErreurDossier&) {
        }
    }
}

void DosRAR::accorderLecteur() {
    // Dir1 can reach another volume by itself (a mount point opened from its parent volume, a
    // fallback folder): Drive1 must name it, or choosing the volume left would do nothing.
    const int index = Drive1->findData(platform::lecteurDe(Dir1->chemin()));
    if (index >= 0) {
        const QSignalBlocker silence(Drive1);
        Drive1->setCurrentIndex(index);
    }
}

void DosRAR::montrerDestination() {
    const QString debut = QStringLiteral("Extraction dans : ");
    const QString dossier = nomVisible(QDir::toNativeSeparators(Dir1->chemin()));
    const QFont& police = Label2->font();
    const int place = Label2->width() - largeurTexte(police, debut);
    // A deep folder loses the middle of its parents' path rather than its own name; the tooltip
    // shows it whole.
    QString montre = dossier;
    if (largeurTexte(police, dossier) > place) {
        const QString nom = dossier.mid(dossier.lastIndexOf(QDir::separator()) + 1);
        montre = Label2->fontMetrics().elidedText(dossier.chopped(nom.size()), Qt::ElideMiddle,
                                                  place - largeurTexte(police, nom)) +
                 nom;
    }
    Label2->setText(debut + montre);
    Label2->setToolTip(montre == dossier ? QString() : bulleLitterale(debut + dossier));
    Label2->setAccessibleDescription(debut + dossier);
}

void DosRAR::direRefus(QChar refuse) {
    const QString message =
        refuse == QLatin1Char(' ')
            ? QStringLiteral("L'espace n'est pas accepté dans un nom de dossier")
            : QStringLiteral("« %1 » n'est pas accepté dans un nom de dossier").arg(refuse);
    Label3->setText(message);
    Label3->setAccessibleName(message);
    Label3->show();
    finRefus_->start();
}

void DosRAR::Form_Load() {
    montrerDossierDuProcessus();
    if (ModuleRAR::DossierDestination.isEmpty()) {
        return;
    }
    try {
        choisirLecteur(platform::lecteurDe(ModuleRAR::DossierDestination));
        Dir1->setChemin(ModuleRAR::DossierDestination);
    } catch (const platform::ErreurDossier&) {
        platform::interaction().message(this, QStringLiteral("Le dossier n'existe plus !"),
                                        titreErreur, platform::Icone::Exclamation);
        ModuleRAR::DossierDestination.clear();
    }
}

void DosRAR::Drive1_Change() {
    try {
        Dir1->setLecteur(Drive1->currentData().toString());
    } catch (const platform::ErreurDossier&) {
        platform::interaction().message(this, QStringLiteral("Lecteur non disponible"), titreErreur,
                                        platform::Icone::Exclamation);
        // Dir1 still shows the folder it showed before: back to its drive.
        accorderLecteur();
    }
}

void DosRAR::Command1_Click() {
    ModuleRAR::DossierDestination = Dir1->chemin();
    accept();
}

void DosRAR::Command2_Click() {
    ModuleRAR::DossierDestination.clear();
    QDialog::reject();
}

void DosRAR::reject() {
    // Escape and a close from the title bar come here: they cancel, as "&Annuler" does, rather
    // than leave the folder confirmed last for the extraction.
    Command2_Click();
}

void DosRAR::Command3_Click() {
    Frame1->show();
    Text1->setFocus();
}

void DosRAR::Command4_Click() {
    // The drive and directory changes made before a failing step stay, as the next opening
    // starts from them.
    try {
        platform::rendreLecteurCourant(platform::lecteurDe(Dir1->chemin()));
        platform::changerDossierCourant(Dir1->chemin());
        platform::creerDossier(Text1->text());
        Dir1->actualiser();
        // Hiding the frame would hand the focus on to "&Extraire", where a second Space would
        // extract at once.
        Dir1->setFocus();
        Frame1->hide();
    } catch (const platform::ErreurDossier&) {
        platform::interaction().message(this,
                                        QStringLiteral("Erreur lors de la création du dossier !"),
                                        titreErreur, platform::Icone::Critique);
    }
}

void DosRAR::Text1_KeyPress(char32_t& caractere) {
    QString refuses = QString::fromUtf16(CaracteresInterdits);
    refuses += QLatin1Char(' ');
    refuses += QLatin1Char('"');
    if (caractere <= 0xFFFF && refuses.contains(QChar(char16_t(caractere)), Qt::CaseSensitive)) {
        direRefus(QChar(char16_t(caractere)));
        caractere = 0;
    }
}

void DosRAR::Text1_Change() {
    Command4->setEnabled(!Text1->text().isEmpty());
}

QString DosRAR::sansRefuses(const QString& texte) {
    QString garde;
    for (const char32_t touche : texte.toUcs4()) {
        char32_t caractere = touche;
        Text1_KeyPress(caractere);
        if (caractere != 0) {
            garde += QString::fromUcs4(&caractere, 1);
        }
    }
    return garde;
}

bool DosRAR::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(evenement);
        if (touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter) {
            // No button is the default one, so that a stray Return extracts nowhere: Return
            // presses the button that has the focus, and "OK" from the name box.
            QPushButton* bouton = objet == Text1 ? Command4 : qobject_cast<QPushButton*>(objet);
            if (bouton != nullptr && bouton->isEnabled()) {
                bouton->click();
            }
            return bouton != nullptr;
        }
    }
    // Typed characters come as key presses, or, when composed (dead keys, compose sequences, input
    // methods), as an input method's commit. Pasted text comes in neither way.
    if (objet == Text1 && evenement->type() == QEvent::KeyPress) {
        const QString texte = static_cast<QKeyEvent*>(evenement)->text();
        const QString garde = sansRefuses(texte);
        if (garde != texte) {
            // insert("") would still erase the selection, which a dropped key must not do.
            if (!garde.isEmpty()) {
                Text1->insert(garde);
            }
            return true;
        }
    } else if (objet == Text1 && evenement->type() == QEvent::InputMethod) {
        auto* saisie = static_cast<QInputMethodEvent*>(evenement);
        saisie->setCommitString(sansRefuses(saisie->commitString()), saisie->replacementStart(),
                                saisie->replacementLength());
    }
    return QDialog::eventFilter(objet, evenement);
}
