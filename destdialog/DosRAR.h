#pragma once

// DosRAR, the destination folder dialog. Its only answer is ModuleRAR::DossierDestination: the
// folder confirmed with "&Extraire", or empty after "&Annuler", Escape or a close from the title
// bar. It is created for each opening and destroyed at its closing, so every opening starts again
// from the layout below.

#include <QDialog>

#include <iterator>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class DossierListe;

// Characters that cannot be typed into a folder name. The blank and the double quote are added
// where the set is used. Some characters stand twice; the repeats change nothing.
inline constexpr char16_t CaracteresInterdits[] =
    u"².,;:ù*îïÎÏêëÊËôöÔÖûüÛÜâäÂÄ&?+'`^=\\/éèàç()~{[|`\\^]}°*+";
static_assert(std::size(CaracteresInterdits) == 54 + 1);

// The folder name's field in the desktop's colours, tinted green: its background is the palette's
// with red and blue taken down a quarter (the pale green of a light palette, a dark green of a
// dark one), its text the palette's own, so that one is always read on the other.
QPalette paletteNomDossier(const QPalette& palette);

class DosRAR final : public QDialog {
    Q_OBJECT

public:
    explicit DosRAR(QWidget* parent = nullptr);

    // Creates the dialog, runs its opening, waits until it is closed and destroys it. Afterwards
    // ModuleRAR::DossierDestination holds the answer.
    static void afficherModal(QWidget* parent = nullptr);

    void Form_Load();
    void Drive1_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    // `caractere` is one typed character; set to 0, it is dropped, and the dialog says why.
    void Text1_KeyPress(char32_t& caractere);
    void Text1_Change();

    void reject() override;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void createControls();
    void placeControls();
    void laisserPlaceAuxLegendes();
    void orderTabs();
    // The names and descriptions that screen readers read, and the label's buddy.
    void nommerPourLecteurs();

    // Sets Drive1's drive from code, which runs Drive1_Change before returning. Throws
    // platform::ErreurDossier when the drive is not in the list.
    void choisirLecteur(const QString& racine);
    // `texte` without the characters that Text1_KeyPress drops.
    QString sansRefuses(const QString& texte);
    // Shows the process's current drive and folder without it counting as a drive change.
    void montrerDossierDuProcessus();
    // Puts Drive1 on the volume of the folder that Dir1 shows, without a drive change.
    void accorderLecteur();
    // Label2 names the folder open in Dir1, where the extraction goes.
    void montrerDestination();
    // Label3 says for a few seconds that `refuse` cannot be typed into a folder name.
    void direRefus(QChar refuse);

    QComboBox* Drive1 = nullptr;
    DossierListe* Dir1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QPushButton* Command3 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label2 = nullptr; // "Extraction dans : " and the folder open in Dir1
    QLabel* Label3 = nullptr; // the key that Text1 refused last, and why
    QTimer* finRefus_ = nullptr;
};
