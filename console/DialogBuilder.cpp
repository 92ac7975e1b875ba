// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/DialogBuilder.h"

#include "console/DropDownComboBox.h"
#include "editlist/CEditList.h"
#include "resources/Strings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace kel {
namespace {

constexpr char kIdProperty[] = "dlgId";
constexpr char kSortedProperty[] = "sortedRows";

bool Has(const res::ControlTemplate& t, std::uint32_t bit) {
    return (t.style & bit) != 0;
}

// Rounds to nearest like the platform's MulDiv, for the non-negative values
// that templates hold.
int MulDiv(int value, int numerator, int denominator) {
    return (2 * value * numerator + denominator) / (2 * denominator);
}

QWidget* CreateEdit(QWidget* parent, const res::ControlTemplate& t, DialogBaseUnits units) {
    const bool readOnly = Has(t, res::style::kReadOnly);
    if (Has(t, res::style::kMultiLine) && readOnly) {
        auto* pane = new QPlainTextEdit(parent);
        pane->setReadOnly(true);
        pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pane->setVerticalScrollBarPolicy(Has(t, res::style::kVScroll) ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAsNeeded);
        // Tab stops every 32 horizontal dialog units, as edit controls set them.
        pane->setTabStopDistance(MulDiv(32, units.x, 4));
        return pane;
    }
    // A multi-line edit that the user types into still holds one line: Enter
    // belongs to the dialog, not to the text. A line edit is that control.
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(readOnly);
    return edit;
}

QWidget* CreateComboBox(QWidget* parent, const res::ControlTemplate& t) {
    auto* combo = new DropDownComboBox(parent);
    combo->setEditable(Has(t, res::style::kEditable));
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setProperty(kSortedProperty, Has(t, res::style::kSorted));
    return combo;
}

QWidget* CreateButton(QWidget* parent, const res::ControlTemplate& t) {
    auto* button = new QPushButton(QString::fromUtf8(t.caption), parent);
    // No auto-default: in a dialog the last focused such button would stay the
    // default and answer Enter typed in an edit box. The dialog presses the
    // focused button on Enter itself.
    button->setAutoDefault(false);
    button->setDefault(Has(t, res::style::kDefaultButton));
    return button;
}

QWidget* CreateIcon(QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setPixmap(QIcon(QString::fromUtf8(res::kAppIconPath)).pixmap(32, 32));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return icon;
}

QWidget* CreateControl(QWidget* parent, const res::ControlTemplate& t, DialogBaseUnits units) {
    const QString caption = QString::fromUtf8(t.caption);
    switch (t.kind) {
    case res::ControlKind::PushButton:
        return CreateButton(parent, t);
    case res::ControlKind::Edit:
        return CreateEdit(parent, t, units);
    case res::ControlKind::ComboBox:
        return CreateComboBox(parent, t);
    case res::ControlKind::Label: {
        auto* label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case res::ControlKind::GroupBox: {
        auto* group = new QGroupBox(caption, parent);
        // A frame drawn around other controls must not take their clicks.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    case res::ControlKind::CheckBox:
        return new QCheckBox(caption, parent);
    case res::ControlKind::RadioButton:
        return new QRadioButton(caption, parent);
    case res::ControlKind::ListView:
        return new CEditList(parent);
    case res::ControlKind::Icon:
        return CreateIcon(parent);
    }
    return new QWidget(parent);
}

bool ShowsCaptionBeside(res::ControlKind kind) {
    return kind == res::ControlKind::Label || kind == res::ControlKind::CheckBox ||
           kind == res::ControlKind::RadioButton;
}

QRect ControlRect(const QWidget* control, const res::ControlTemplate& t, DialogBaseUnits units) {
    res::DialogRect rect = t.rect;
    if (t.kind == res::ControlKind::ComboBox)
        rect.height = kComboFieldHeight;
    QRect pixels = MapDialogRect(rect, units);
    // The template's widths were fitted to another font; a caption wider than
    // its box grows to the right (the layout leaves room there) instead of
    // being cut.
    if (ShowsCaptionBeside(t.kind))
        pixels.setWidth(std::max(pixels.width(), control->sizeHint().width()));
    return pixels;
}

// A control with a caption is announced by its caption, whatever it changes
// to ("Connect", "Disconnect"), and a field by the label linked to it; a fixed
// name is only for a control that neither names. On Linux a list is announced
// by its value, so what the template calls it goes into its description too.
void NameForAssistiveTechnology(QWidget* control, const res::ControlTemplate& t) {
    if (!*t.accessibleName)
        return;
    const QString name = QString::fromUtf8(t.accessibleName);
    control->setAccessibleName(name);
    if (t.kind == res::ControlKind::ComboBox)
        control->setAccessibleDescription(name);
}

// Each label becomes the buddy of the field it names: assistive technology
// reads the label as the field's name (the labelled-by relation).
void LinkLabelsToFields(const res::DialogTemplate& tmpl, const std::vector<QWidget*>& controls) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const int fieldId = tmpl.controls[i].labelFor;
        auto* label = qobject_cast<QLabel*>(controls[i]);
        if (fieldId == 0 || !label)
            continue;
        const auto field = std::find_if(controls.begin(), controls.end(),
                                        [&](const QWidget* c) { return DlgIdOf(c) == fieldId; });
        if (field != controls.end())
            label->setBuddy(*field);
    }
}

} // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const res::DialogRect& rect, DialogBaseUnits units) {
    return {MulDiv(rect.x, units.x, 4), MulDiv(rect.y, units.y, 8), MulDiv(rect.width, units.x, 4),
            MulDiv(rect.height, units.y, 8)};
}

QSize MapDialogSize(int width, int height, DialogBaseUnits units) {
    return {MulDiv(width, units.x, 4), MulDiv(height, units.y, 8)};
}

std::vector<QWidget*> BuildControls(QWidget* dialog, const res::DialogTemplate& tmpl,
                                    DialogBaseUnits units) {
    std::vector<QWidget*> controls;
    controls.reserve(tmpl.controls.size());
    QButtonGroup* radioGroup = nullptr;
    for (const res::ControlTemplate& t : tmpl.controls) {
        QWidget* control = CreateControl(dialog, t, units);
        control->setProperty(kIdProperty, t.id);
        control->setGeometry(ControlRect(control, t, units));
        NameForAssistiveTechnology(control, t);
        if (!t.shown)
            control->setVisible(false);

        if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            if (!radioGroup || Has(t, res::style::kGroupStart))
                radioGroup = new QButtonGroup(dialog);
            radioGroup->addButton(radio);
        } else {
            radioGroup = nullptr;
        }
        controls.push_back(control);
    }
    // Frames come last in the template but sit behind what they frame.
    for (QWidget* control : controls) {
        if (qobject_cast<QGroupBox*>(control))
            control->lower();
    }
    LinkLabelsToFields(tmpl, controls);
    return controls;
}

int DlgIdOf(const QWidget* control) {
    const QVariant id = control ? control->property(kIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : -1;
}

int SortedRow(const QComboBox* combo, const QString& text) {
    int row = 0;
    while (row < combo->count() &&
           combo->itemData(row, Qt::EditRole).toString().compare(text, Qt::CaseInsensitive) <= 0)
        ++row;
    return row;
}

int AddString(QComboBox* combo, const QString& text) {
    // A list shows no row until one is chosen; Qt would pick the first row
    // added to an empty list, and an edit field would lose what was typed.
    const bool hadSelection = combo->currentIndex() >= 0;
    const QString typed = combo->currentText();
    const int row =
        combo->property(kSortedProperty).toBool() ? SortedRow(combo, text) : combo->count();
    combo->insertItem(row, text);
    if (!hadSelection && combo->currentIndex() >= 0) {
        combo->setCurrentIndex(-1);
        if (combo->isEditable())
            combo->setEditText(typed);
    }
    return row;
}

} // namespace kel
