#include "gui/TemplateForm.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <qdrawutil.h>

#include <algorithm>

namespace {

const char* const IdProperty = "templateControlId";
const char* const SortedProperty = "templateSorted";
const char* const LinkProperty = "templateLink";

// The kinds of control that show a value and take no text of their own: a label or frame before
// them names them.
bool IsField(ControlKind kind) {
    return kind == ControlKind::ReadOnlyEdit || kind == ControlKind::ReadOnlyRight ||
           kind == ControlKind::Edit || kind == ControlKind::ListBox ||
           kind == ControlKind::CheckList;
}

// A text as it reads, without its access-key marks.
QString Plain(const QString& text) {
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// The only checked button of a radio group (or its first while none is) is where Tab enters
// the group; the arrow keys move within it.
void KeepTabStop(QButtonGroup* group) {
    const QList<QAbstractButton*> buttons = group->buttons();
    if (buttons.isEmpty())
        return;
    QAbstractButton* stop = group->checkedButton() ? group->checkedButton() : buttons.front();
    for (QAbstractButton* b : buttons)
        b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

FramedBox::FramedBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

QRect FramedBox::Frame() const {
    const int half = fontMetrics().height() / 2;
    return QRect(0, half, width(), height() - half);
}

bool FramedBox::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut && buddy_ != nullptr) {
        buddy_->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QGroupBox::event(event);
}

// The frame's top line runs through the middle of the title, so the controls laid out inside
// the box keep the room above them that the layout gives them.
void FramedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QSize text = metrics.size(Qt::TextShowMnemonic, title());
    const int inset = metrics.averageCharWidth();
    const int gap = title().isEmpty() ? 0 : inset / 2; // between the line and the title
    const QRect titleRect(inset + gap, 0, text.width(), metrics.height());
    painter.save();
    painter.setClipRegion(QRegion(rect()).subtracted(titleRect.adjusted(-gap, 0, gap, 0)));
    qDrawShadeRect(&painter, Frame(), palette(), true, 1, 0);
    painter.restore();
    style()->drawItemText(&painter, titleRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic,
                          palette(), isEnabled(), title(), QPalette::WindowText);
}

TemplateForm::TemplateForm(const DialogTemplate& layout, QWidget* parent) : QWidget(parent) {
    const QFontMetrics metrics(font());
    // The average width of the letters, as dialog base units are measured.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    baseY_ = metrics.height();
    setFixedSize(ToPixels(0, 0, layout.cx, layout.cy).size());
    if (layout.title)
        setWindowTitle(QString::fromUtf8(layout.title));

    QButtonGroup* radioGroup = nullptr;
    QList<QWidget*> built; // one per row of the template
    for (const ControlTemplate& c : layout.controls) {
        // "&&" is a literal ampersand for buttons and group boxes as in the templates; plain
        // labels have no access keys here, so they show it single.
        QString text = QString::fromUtf8(c.text ? c.text : "");
        if (c.kind == ControlKind::Label)
            text.replace(QStringLiteral("&&"), QStringLiteral("&"));
        QWidget* w = nullptr;
        switch (c.kind) {
        case ControlKind::Label:
            w = new QLabel(text, this);
            break;
        case ControlKind::ReadOnlyEdit:
        case ControlKind::ReadOnlyRight: {
            auto* edit = new QLineEdit(this);
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus);
            if (c.kind == ControlKind::ReadOnlyRight)
                edit->setAlignment(Qt::AlignRight);
            w = edit;
            break;
        }
        case ControlKind::GroupBox:
            w = new FramedBox(text, this);
            w->lower();
            break;
        case ControlKind::Bitmap:
            w = new QLabel(this);
            break;
        case ControlKind::PushCheck: {
            auto* button = new QPushButton(text, this);
            button->setCheckable(true);
            w = button;
            break;
        }
        case ControlKind::EtchedLine: {
            auto* line = new QFrame(this);
            line->setFrameShape(c.cy > c.cx ? QFrame::VLine : QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            w = line;
            break;
        }
        case ControlKind::PushButton:
        case ControlKind::DefaultButton: {
            auto* button = new QPushButton(text, this);
            button->setDefault(c.kind == ControlKind::DefaultButton);
            w = button;
            break;
        }
        case ControlKind::Text: {
            auto* label = new QLabel(text, this);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            w = label;
            break;
        }
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(text, this);
            // Radio buttons of one parent would all exclude each other: each group gets its
            // own, from its first button to the next group's first.
            if (radioGroup == nullptr || (c.style & StyleGroup) != 0)
                radioGroup = new QButtonGroup(this);
            radioGroup->addButton(radio);
            w = radio;
            break;
        }
        case ControlKind::CheckBox:
            w = new QCheckBox(text, this);
            break;
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            if (c.limit > 0)
                edit->setMaxLength(c.limit);
            edit->installEventFilter(this);
            w = edit;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(this);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setProperty(SortedProperty, (c.style & StyleSorted) != 0);
            // Double-clicks on the empty part of the list count too.
            list->viewport()->setProperty(IdProperty, c.id);
            list->viewport()->installEventFilter(this);
            w = list;
            break;
        }
        case ControlKind::CheckList: {
            auto* table = new QTableWidget(this);
            table->setSelectionBehavior(QAbstractItemView::SelectRows);
            table->setSelectionMode(QAbstractItemView::SingleSelection);
            table->setEditTriggers(QAbstractItemView::NoEditTriggers);
            table->setShowGrid(true);
            table->setWordWrap(false);
            table->verticalHeader()->hide();
            table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            table->horizontalHeader()->setHighlightSections(false);
            // Tab leaves the list for the next control; the arrow keys move within it.
            table->setTabKeyNavigation(false);
            w = table;
            break;
        }
        case ControlKind::CenteredLabel:
            w = new QLabel(text, this);
            static_cast<QLabel*>(w)->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            break;
        case ControlKind::Link: {
            // Drawn as a link, but the click comes to the code, which decides what opens.
            auto* link = new QLabel(text, this);
            QPalette palette = link->palette();
            palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
            link->setPalette(palette);
            QFont font = link->font();
            font.setUnderline(true);
            link->setFont(font);
            link->setCursor(Qt::PointingHandCursor);
            link->setFocusPolicy(Qt::StrongFocus);
            link->setProperty(LinkProperty, true);
            link->installEventFilter(this);
            w = link;
            break;
        }
        }
        if (c.kind != ControlKind::RadioButton)
            radioGroup = nullptr;
        w->setProperty(IdProperty, c.id);
        QRect r = ToPixels(c.x, c.y, c.cx, c.cy);
        // The templates were measured with a narrower font than most desktops use here: a check
        // or radio button whose text would be cut grows to its text, as far as the form allows.
        if ((c.kind == ControlKind::RadioButton || c.kind == ControlKind::CheckBox) &&
            w->sizeHint().width() > r.width())
            r.setWidth(std::min(w->sizeHint().width(), width() - r.x()));
        if (c.cx > 0 && c.cy > 0)
            w->setGeometry(r);
        else
            w->move(r.topLeft());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const int id = c.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { emit Command(id); });
        }
        if (c.id != 0) {
            w->setObjectName(QStringLiteral("ctl%1").arg(c.id));
            controls_.insert(c.id, w);
        }
        built.append(w);
    }
    for (QWidget* w : findChildren<QGroupBox*>())
        w->lower();
    NameFields(layout, built);
    for (QButtonGroup* group : findChildren<QButtonGroup*>()) {
        KeepTabStop(group);
        connect(group, &QButtonGroup::buttonToggled, this, [group] { KeepTabStop(group); });
    }
    WidenCutLabels();
}

// A label just before a field names it and its access key reaches it; so does the title of a
// box that frames a list.
void TemplateForm::NameFields(const DialogTemplate& layout, const QList<QWidget*>& built) {
    for (qsizetype i = 0; i + 1 < built.size(); ++i) {
        const ControlTemplate& c = layout.controls[static_cast<std::size_t>(i)];
        const ControlTemplate& next = layout.controls[static_cast<std::size_t>(i + 1)];
        if (!IsField(next.kind))
            continue;
        const QString text = QString::fromUtf8(c.text ? c.text : "");
        QWidget* field = built[i + 1];
        if (c.kind == ControlKind::Label) {
            auto* label = static_cast<QLabel*>(built[i]);
            label->setText(text); // with a buddy, "&&" shows one ampersand
            label->setBuddy(field);
            field->setAccessibleName(Plain(text));
        } else if (c.kind == ControlKind::GroupBox) {
            static_cast<FramedBox*>(built[i])->SetBuddy(field);
            field->setAccessibleName(Plain(text).trimmed().remove(QRegularExpression(":$")));
        }
    }
}

// A one-line label whose text the desktop's font cuts grows to its text where nothing but a
// group box is in the way.
void TemplateForm::WidenCutLabels() {
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->wordWrap() || label->property(LinkProperty).toBool() ||
            label->sizeHint().width() <= label->width())
            continue;
        QRect grown = label->geometry();
        grown.setWidth(std::min(label->sizeHint().width(), width() - grown.x()));
        const bool free = std::none_of(children.begin(), children.end(), [&](QWidget* other) {
            return other != label && !qobject_cast<QGroupBox*>(other) &&
                   other->geometry().intersects(grown);
        });
        if (free)
            label->setGeometry(grown);
    }
}

QRect TemplateForm::ToPixels(int x, int y, int cx, int cy) const {
    return QRect(x * baseX_ / 4, y * baseY_ / 8, cx * baseX_ / 4, cy * baseY_ / 8);
}

void TemplateForm::SetText(int id, const QString& text) {
    QWidget* w = Control(id);
    // Fields are rewritten with every packet; an unchanged one is left alone (no repaint).
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
}

QString TemplateForm::Text(int id) const {
    QWidget* w = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    return {};
}

void TemplateForm::SetInt(int id, int value) {
    SetText(id, QString::number(value));
}

void TemplateForm::SetCheck(int id, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    if (button == nullptr)
        return;
    // An exclusive group refuses to clear its checked button; a group may start with none.
    QButtonGroup* group = button->group();
    if (!checked && group != nullptr && group->exclusive()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

bool TemplateForm::IsChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button && button->isChecked();
}

void TemplateForm::Enable(int id, bool enabled) {
    if (QWidget* w = Control(id))
        w->setEnabled(enabled);
}

bool TemplateForm::IsEnabled(int id) const {
    QWidget* w = Control(id);
    return w && w->isEnabled();
}

void TemplateForm::SetImage(int id, const QPixmap& image) {
    auto* label = qobject_cast<QLabel*>(Control(id));
    if (label && label->pixmap().cacheKey() != image.cacheKey()) {
        label->setPixmap(image);
        label->resize(image.size());
    }
}

void TemplateForm::ResetContent(int id) {
    if (auto* list = ControlAs<QListWidget>(id))
        list->clear();
}

int TemplateForm::AddString(int id, const QString& text) {
    auto* list = ControlAs<QListWidget>(id);
    if (list == nullptr)
        return -1;
    int row = list->count();
    if (list->property(SortedProperty).toBool()) {
        // After the equal texts already there, so that equal titles keep their order.
        row = 0;
        while (row < list->count() &&
               QString::compare(list->item(row)->text(), text, Qt::CaseInsensitive) <= 0)
            ++row;
    }
    list->insertItem(row, text);
    return row;
}

bool TemplateForm::eventFilter(QObject* watched, QEvent* event) {
    const QVariant id = watched->property(IdProperty);
    if (id.isValid()) {
        if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(watched))
            emit KillFocus(id.toInt());
        else if (event->type() == QEvent::MouseButtonDblClick)
            emit DoubleClicked(id.toInt());
        else if (watched->property(LinkProperty).toBool()) {
            if (event->type() == QEvent::FocusIn)
                emit SetFocus(id.toInt());
            else if (event->type() == QEvent::MouseButtonPress &&
                     static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                emit Command(id.toInt());
        }
    }
    return QWidget::eventFilter(watched, event);
}
