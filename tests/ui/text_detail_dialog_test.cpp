// The text detail dialog: size, check boxes and colour of a row, written only on OK.
#include "text_detail_dialog.h"

#include "color_swatch.h"
#include "style/breadcrumb_style.h"
#include "support/scripted_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using solvina::BreadcrumbStyle;
using solvina::ColorSwatch;
using solvina::StyleRow;
using solvina::TextDetailDialog;
using solvina::testing::ScriptedDialogs;

class TextDetailDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaultRowOpensAsStandardBlack();
    void sizeBoxStoresItsTextUnchanged_data();
    void sizeBoxStoresItsTextUnchanged();
    void storedCheckValuesShowAndSurvive_data();
    void storedCheckValuesShowAndSurvive();
    void chosenColorShowsAndStores();
    void cancelAndCloseBoxWriteNothing();
    void ticksOnThePageTitleRowStoreOnesAndZeros();

private:
    void open() {
        m_dialog = std::make_unique<TextDetailDialog>(m_style, m_dialogs);
        m_dialog->show();
    }
    template <typename T> T* child(const char* name) {
        T* widget = m_dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    void click(const char* name) { QTest::mouseClick(child<QWidget>(name), Qt::LeftButton); }
    QComboBox* sizeBox() { return child<QComboBox>("Combo1"); }

    BreadcrumbStyle m_style;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TextDetailDialog> m_dialog;
};

void TextDetailDialogTest::init() {
    m_style = BreadcrumbStyle{};
    m_style.currentRow = 3;
    m_dialogs = ScriptedDialogs{};
}

void TextDetailDialogTest::cleanup() {
    m_dialog.reset();
}

void TextDetailDialogTest::defaultRowOpensAsStandardBlack() {
    open();
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("文字の詳細設定"));
    QCOMPARE(m_dialog->size(), QSize(243, 166));
    QStringList items;
    for (int i = 0; i < sizeBox()->count(); ++i)
        items << sizeBox()->itemText(i);
    QCOMPARE(items,
             QStringList({"+5", "+4", "+3", "+2", "+1", "標準", "-1", "-2", "-3", "-4", "-5"}));
    QVERIFY(sizeBox()->isEditable());
    QCOMPARE(sizeBox()->currentText(), QStringLiteral("標準"));
    for (const char* box : {"Check1", "Check2", "Check3"})
        QCOMPARE(child<QCheckBox>(box)->checkState(), Qt::Unchecked);
    QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("000000"));
    QCOMPARE(child<ColorSwatch>("Picture1")->shownColor(), QColor(Qt::black));
}

void TextDetailDialogTest::sizeBoxStoresItsTextUnchanged_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("chooseItem"); // -1: type instead
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("item from the list") << "標準" << 3 << ""
                                        << "+2";
    QTest::newRow("typed number") << "標準" << -1 << "7"
                                  << "7";
    QTest::newRow("emptied box") << "+1" << -1 << ""
                                 << "";
    QTest::newRow("typed text kept as typed") << "標準" << -1 << " big "
                                              << " big ";
    QTest::newRow("untouched text outside the list") << "12pt" << -2 << ""
                                                     << "12pt";
}

void TextDetailDialogTest::sizeBoxStoresItsTextUnchanged() {
    QFETCH(QString, stored);
    QFETCH(int, chooseItem);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    m_style.rows[3].fontSize = stored.toStdString();
    open();
    QCOMPARE(sizeBox()->currentText(), stored);
    if (chooseItem >= 0) {
        sizeBox()->setCurrentIndex(chooseItem);
    } else if (chooseItem == -1) {
        QLineEdit* edit = sizeBox()->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, typed);
    }
    click("Command4");
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(m_style.rows[3].fontSize), expected);
}

void TextDetailDialogTest::storedCheckValuesShowAndSurvive_data() {
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<double>("afterOk");
    QTest::addColumn<double>("afterClick");
    QTest::newRow("clear") << 0.0 << int(Qt::Unchecked) << 0.0 << 1.0;
    QTest::newRow("ticked") << 1.0 << int(Qt::Checked) << 1.0 << 0.0;
    QTest::newRow("greyed") << 2.0 << int(Qt::PartiallyChecked) << 2.0 << 1.0;
    QTest::newRow("half, not bold") << 0.5 << int(Qt::Unchecked) << 0.0 << 1.0;
}

void TextDetailDialogTest::storedCheckValuesShowAndSurvive() {
    QFETCH(double, stored);
    QFETCH(int, shown);
    QFETCH(double, afterOk);
    QFETCH(double, afterClick);
    m_style.rows[3].bold = stored;
    open();
    QCOMPARE(int(child<QCheckBox>("Check1")->checkState()), shown);
    click("Command4");
    QCOMPARE(m_style.rows[3].bold, afterOk);

    m_style.rows[3].bold = stored;
    open();
    click("Check1");
    click("Command4");
    QCOMPARE(m_style.rows[3].bold, afterClick);
}

void TextDetailDialogTest::chosenColorShowsAndStores() {
    m_style.rows[3].color = "0000FF";
    open();
    QCOMPARE(child<ColorSwatch>("Picture1")->shownColor(), QColor(Qt::red));
    m_dialogs.colors.push_back(std::nullopt); // the chooser cancelled changes nothing
    click("Picture1");
    QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("0000FF"));
    QCOMPARE(child<ColorSwatch>("Picture1")->shownColor(), QColor(Qt::red));

    m_dialogs.colors.push_back(0xFF0000u);
    click("Picture1");
    QCOMPARE(m_dialogs.shown.size(), std::size_t(2));
    QCOMPARE(m_dialogs.shown.at(1).kind, std::string("color"));
    QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("FF0000"));
    QCOMPARE(child<ColorSwatch>("Picture1")->shownColor(), QColor(Qt::blue));
    m_dialogs.colors.push_back(0x00000FF0u);
    click("Picture1");
    QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("000FF0"));
    click("Command4");
    QCOMPARE(m_style.rows[3].color, std::string("000FF0"));
}

void TextDetailDialogTest::cancelAndCloseBoxWriteNothing() {
    for (bool byButton : {true, false}) {
        m_style.rows[3] = StyleRow{};
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

void TextDetailDialogTest::ticksOnThePageTitleRowStoreOnesAndZeros() {
    m_style.currentRow = 7;
    m_style.rows[7].fontSize = "-1";
    open();
    QCOMPARE(sizeBox()->currentText(), QStringLiteral("-1"));
    click("Check1");
    click("Check3");
    click("Command4");
    const StyleRow& row = m_style.rows[7];
    QCOMPARE(row.bold, 1.0);
    QCOMPARE(row.italic, 0.0);
    QCOMPARE(row.underline, std::int16_t(1));
    QCOMPARE(m_style.rows[3].bold, 0.0);
}

QTEST_MAIN(TextDetailDialogTest)
#include "text_detail_dialog_test.moc"
