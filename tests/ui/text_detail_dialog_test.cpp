// The text detail dialog: size, check boxes and colour of a row, written only on OK.
#include "text_detail_dialog.h"

#include "color_swatch.h"
#include "style/breadcrumb_style.h"
#include "support/scripted_dialogs.h"
#include "support/window_driver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace solvina;
using namespace solvina::test_support;

class TextDetailDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_style = BreadcrumbStyle{};
        m_style.currentRow = 3;
        m_dialogs = ScriptedDialogs{};
    }
    void cleanup() { m_dialog.reset(); }

    void sizeBoxStoresItsTextUnchanged() {
        const struct {
            const char* stored;
            int item;          // the list item chosen, or -1
            const char* typed; // replaces the box's text unless null
            const char* expected;
            bool enter = false; // Enter in the box instead of OK
        } cases[] = {{"標準", 3, nullptr, "+2"},
                     {"+1", -1, "", ""},
                     {"標準", -1, " big ", " big "},
                     {"標準", -1, "7", "7", true},
                     {"12pt", -1, nullptr, "12pt"}}; // a text outside the list, left alone
        for (const auto& c : cases) {
            m_style.rows[3].fontSize = c.stored;
            open();
            QCOMPARE(sizeBox()->currentText(), QString::fromUtf8(c.stored));
            if (c.item >= 0)
                sizeBox()->setCurrentIndex(c.item);
            if (c.typed)
                retype(sizeBox()->lineEdit(), QString::fromUtf8(c.typed));
            if (c.enter)
                QTest::keyClick(sizeBox()->lineEdit(), Qt::Key_Return);
            else
                click("Command4");
            QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
            QCOMPARE(m_style.rows[3].fontSize, std::string(c.expected));
            QCOMPARE(sizeBox()->count(), 11); // Enter adds nothing to the list
        }
    }

    void storedCheckValuesShowAndSurvive() {
        const struct {
            double stored;
            Qt::CheckState shown;
            double afterOk;
            double afterClick; // a greyed box clicked once is ticked, never grey again
        } cases[] = {{0, Qt::Unchecked, 0, 1},
                     {1, Qt::Checked, 1, 0},
                     {2, Qt::PartiallyChecked, 2, 1},
                     {0.5, Qt::Unchecked, 0, 1}}; // a half is not bold
        for (const auto& c : cases) {
            for (bool clicked : {false, true}) {
                m_style.rows[3].bold = c.stored;
                open();
                QCOMPARE(child<QCheckBox>("Check1")->checkState(), c.shown);
                if (clicked)
                    click("Check1");
                click("Command4");
                QCOMPARE(m_style.rows[3].bold, clicked ? c.afterClick : c.afterOk);
            }
        }
    }

    // The colour text is blue-green-red, as the chooser gives it; the swatch shows it as such.
    void ticksAndColourOfThePageTitleRowAreStoredOnOk() {
        m_style.currentRow = 7;
        m_style.rows[7].color = "0000FF";
        open();
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("文字の詳細設定"));
        QCOMPARE(swatch(), QColor(Qt::red));
        m_dialogs.colors.push_back(std::nullopt); // the chooser cancelled changes nothing
        click("Picture1");
        QCOMPARE(colourText(), QStringLiteral("0000FF"));
        QCOMPARE(swatch(), QColor(Qt::red));

        m_dialogs.colors.push_back(0xFF0000u);
        click("Picture1");
        QCOMPARE(colourText(), QStringLiteral("FF0000"));
        QCOMPARE(swatch(), QColor(Qt::blue));
        m_dialogs.colors.push_back(0x00000FF0u);
        click("Picture1");
        QCOMPARE(colourText(), QStringLiteral("000FF0"));
        // The chooser opens on the colour shown each time.
        std::vector<std::uint32_t> starts;
        for (const auto& shown : m_dialogs.shown)
            starts.push_back(shown.startColor);
        QCOMPARE(starts, (std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0xFF0000}));
        QCOMPARE(child<QLabel>("Label4")->textFormat(), Qt::PlainText);

        click("Check1");
        click("Check3");
        click("Command4");
        const StyleRow& row = m_style.rows[7];
        QCOMPARE(row.color, std::string("000FF0"));
        QCOMPARE(row.bold, 1.0);
        QCOMPARE(row.italic, 0.0);
        QCOMPARE(row.underline, std::int16_t(1));
        QCOMPARE(m_style.rows[3].bold, 0.0);
    }

    void cancelAndCloseBoxWriteNothing() {
        for (bool byButton : {true, false}) {
            open();
            sizeBox()->setCurrentIndex(0);
            click("Check2");
            m_dialogs.colors.push_back(0x123456u);
            click("Picture1");
            if (byButton)
                click("Command5");
            else
                m_dialog->close();
            QVERIFY(!m_dialog->isVisible());
            QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
            const StyleRow& row = m_style.rows[3];
            QCOMPARE(row.fontSize, std::string("標準"));
            QCOMPARE(row.italic, 0.0);
            QCOMPARE(row.color, std::string("000000"));
        }
    }

private:
    void open() {
        m_dialog = std::make_unique<TextDetailDialog>(m_style, m_dialogs);
        m_dialog->show();
    }
    template <typename T> T* child(const char* name) { return control<T>(m_dialog.get(), name); }
    void click(const char* name) { test_support::click(m_dialog.get(), name); }
    QComboBox* sizeBox() { return child<QComboBox>("Combo1"); }
    QString colourText() { return child<QLabel>("Label4")->text(); }
    QColor swatch() { return child<ColorSwatch>("Picture1")->shownColor(); }

    BreadcrumbStyle m_style;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TextDetailDialog> m_dialog;
};

QTEST_MAIN(TextDetailDialogTest)
#include "text_detail_dialog_test.moc"
