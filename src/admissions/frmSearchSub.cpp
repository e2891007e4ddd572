#include "admissions/frmSearchSub.h"

#include "admissions/catalogue.h"
#include "admissions/catalogue_rules.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace admissions {

namespace {

const QString kName = QStringLiteral("frmSearchSub");

// The mode the caller asks for, taken by the picker's load.
std::optional<std::int32_t> s_requestedApp;

} // namespace

frmSearchSub::frmSearchSub(QWidget *parent)
    : common::Window(kName, parent)
{
    setWindowTitle(QStringLiteral("SearchSubjects"));

    Label30 = new QLabel(QStringLiteral("Search Subject"), this);
    Label30->setObjectName(QStringLiteral("Label30"));
    Label30->setAlignment(Qt::AlignCenter);
    Label30->setStyleSheet(QStringLiteral("QLabel { color: #1f4266; font-size: 13pt; font-weight: bold; }"));
    Label23 = new QLabel(QStringLiteral("Course Name :"), this);
    Label23->setObjectName(QStringLiteral("Label23"));
    DataCboCourse = new ui::DataCombo(this);
    DataCboCourse->setObjectName(QStringLiteral("DataCboCourse"));
    Label23->setBuddy(DataCboCourse);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setPlaceholderText(QStringLiteral("Type part of the subject name"));
    Msh = new ui::Grid(this);
    Msh->setObjectName(QStringLiteral("Msh"));
    cmdSubject = new QPushButton(QStringLiteral("Add Subject"), this);
    cmdSubject->setObjectName(QStringLiteral("cmdSubject"));
    txtExit = new QPushButton(QStringLiteral("Exit"), this);
    txtExit->setObjectName(QStringLiteral("txtExit"));
    for (QPushButton *b : {cmdSubject, txtExit}) {
        b->setAutoDefault(true); // Enter on a focused button clicks it
        b->setMinimumWidth(90);
    }

    auto *course = new QHBoxLayout;
    course->addWidget(Label23);
    course->addWidget(DataCboCourse, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSubject);
    buttons->addWidget(txtExit);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->setSpacing(6);
    layout->addWidget(Label30);
    layout->addLayout(course);
    layout->addWidget(txtFind);
    layout->addWidget(Msh, 1);
    layout->addLayout(buttons);

    setTabOrder(DataCboCourse, txtFind);
    setTabOrder(txtFind, Msh);
    setTabOrder(Msh, cmdSubject);
    setTabOrder(cmdSubject, txtExit);

    auto toList = [this] { Msh->setFocus(Qt::OtherFocusReason); };
    ui::keys(txtFind).enterMovesNext().onKey(Qt::Key_Up, toList).onKey(Qt::Key_Down, toList);

    using common::on;
    on(DataCboCourse, &QComboBox::currentIndexChanged, this, [this](int) { FillGrid(); });
    on(txtFind, &QLineEdit::textChanged, this, [this](const QString &) { FillGrid(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { pick(); });
    on(Msh, &ui::Grid::enterPressed, this, [this] { pick(); });
    on(cmdSubject, &QPushButton::clicked, this, [this](bool) { cmdSubject_Click(); });
    on(txtExit, &QPushButton::clicked, this, [this](bool) { unload(); });

    resize(524, 389);
}

void frmSearchSub::formLoad()
{
    m_opener.remember(this);
    // Shown by name without a request, it works for the carry forward's application.
    m_appId = s_requestedApp.value_or(gPickAppId);
    s_requestedApp.reset();
    {
        const common::Choices courses = catalogue::courses(*gConn);
        const QSignalBlocker block(DataCboCourse);
        common::formkit::fillChoices(DataCboCourse, courses);
        if (!courses.isEmpty())
            DataCboCourse->setBoundText(courses.first().key);
    }
    FillGrid();
    DataCboCourse->setEnabled(m_appId < 1);
}

void frmSearchSub::formActivate()
{
    FillGrid();
    txtFind->setFocus(Qt::OtherFocusReason);
}

void frmSearchSub::formUnload()
{
    gLookupMode = false;
    if (!m_picked)
        return;
    if (!m_opener.handBack(this)) {
        gPickSubId = 0;
        gPickSubName.clear();
        gPickCourseName.clear();
        gPickCourseDurr.clear();
        gPickSubAmount = db::Money();
    }
}

void frmSearchSub::FillGrid()
{
    QList<QStringList> lines;
    for (const catalogue::PickerRow &r :
        catalogue::pickerList(*gConn, m_appId, DataCboCourse->boundText(), txtFind->text()))
        lines.push_back({QString::number(r.subId), r.course, r.subName, r.courseDurration,
            r.totAmt ? r.totAmt->toString() : QString()});
    common::formkit::fillList(Msh,
        {QStringLiteral("SubId"), QStringLiteral("Course"), QStringLiteral("SubName"),
            QStringLiteral("CourseDurration"), QStringLiteral("TotAmt")},
        lines);
    setGrid();
}

void frmSearchSub::setGrid()
{
    static const struct {
        const char *header;
        int width;
    } columns[] = {
        {"Subject ID", 0}, {"Course", 2000}, {"Subject Name", 4000}, {"Course Durration", 0}, {"TotAmt", 0}};
    Msh->setCols(5);
    for (int c = 0; c < 5; ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

void frmSearchSub::pick()
{
    const int row = Msh->row();
    if (row < 1 || row >= Msh->rows())
        return;
    bool ok = false;
    const int id = Msh->textMatrix(row, 0).toInt(&ok);
    if (!ok)
        return;
    gPickSubId = id;
    gPickCourseName = Msh->textMatrix(row, 1);
    gPickSubName = Msh->textMatrix(row, 2);
    gPickCourseDurr = Msh->textMatrix(row, 3);
    const QString amount = Msh->textMatrix(row, 4);
    gPickSubAmount = amount.isEmpty() ? db::Money() : db::Money::parse(amount);
    m_picked = true;
    unload();
}

void frmSearchSub::cmdSubject_Click()
{
    QCoreApplication::processEvents();
    common::windows::unload(QStringLiteral("frmSubject"));
    gSubjectFormFromPicker = true;
    if (common::Window *w = common::windows::show(QStringLiteral("frmSubject")))
        w->moveTwips(3500, 1900);
}

common::Window *openSubjectPicker(std::int32_t appId)
{
    QCoreApplication::processEvents();
    common::windows::unload(kName);
    s_requestedApp = appId;
    common::Window *w = common::windows::show(kName);
    s_requestedApp.reset();
    if (w) {
        w->moveTwips(3300, 1400);
        w->setWidthTwips(7860);
        w->setHeightTwips(5835);
    }
    return w;
}

common::Window *openSubjectPicker()
{
    return openSubjectPicker(gPickAppId);
}

} // namespace admissions
