#include "apps/tav-host/text_check.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTextDocument>
#include <algorithm>

#include "apps/tav-host/pseudo_locale.h"

namespace tav::host {

namespace {

// Rounding of text widths differs by a pixel between font engines.
constexpr int kSlack = 1;

// The text as shown: a mnemonic's "&" is not drawn, "&&" is one "&".
QString WithoutMnemonic(const QString& text) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

bool HasLetters(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

int WidestLine(const QFontMetrics& metrics, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split('\n')) {
    widest = std::max(widest, metrics.horizontalAdvance(line));
  }
  return widest;
}

class Checker {
 public:
  Checker(QWidget* window, bool require_marks) : window_(window), marks_(require_marks) {}

  std::vector<TextProblem> Run() {
    if (!window_->windowTitle().isEmpty()) Ours(window_, "window title", window_->windowTitle());
    Sideways();
    Widget(window_);
    for (QWidget* child : window_->findChildren<QWidget*>()) {
      if (child->isVisibleTo(window_) && child->isVisible()) Widget(child);
    }
    return std::move(problems_);
  }

 private:
  QString Where(const QWidget* widget, const QString& part) const {
    QString where = window_->objectName();
    if (widget != window_) {
      QString name = widget->objectName();
      if (name.isEmpty()) name = QString::fromLatin1(widget->metaObject()->className());
      where += '/' + name;
    }
    return part.isEmpty() ? where : where + ' ' + part;
  }

  // A dialog too big for the screen shows its contents in a scroll area
  // (ui/screen_fit.h). Scrolling down on a small screen is expected; a
  // dialog that must scroll sideways hides the ends of its rows.
  void Sideways() {
    const auto* scroll = window_->findChild<QScrollArea*>(QStringLiteral("screenFitScroll"));
    if (scroll == nullptr || scroll->widget() == nullptr ||
        !scroll->horizontalScrollBar()->isVisible()) {
      return;
    }
    problems_.push_back({TextProblem::kCut, Where(window_, "sideways"), QString(),
                         scroll->widget()->width(),
                         scroll->viewport()->width()});
  }

  void Cut(const QWidget* widget, const QString& part, const QString& text, int needed,
           int available) {
    if (needed <= available + kSlack) return;
    problems_.push_back({TextProblem::kCut, Where(widget, part), text, needed, available});
  }

  // A text of ours: under the pseudo-locale it must carry the marks.
  void Ours(const QWidget* widget, const QString& part, const QString& text) {
    if (!marks_ || widget->property("tavData").toBool() || !HasLetters(text)) return;
    if (!HasPseudoMarks(text))
      problems_.push_back({TextProblem::kUntranslated, Where(widget, part), text});
  }

  void Widget(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return Label(label);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return Button(button);
    if (auto* box = qobject_cast<QGroupBox*>(widget)) return GroupBox(box);
    if (auto* bar = qobject_cast<QTabBar*>(widget)) return Tabs(bar);
    if (auto* header = qobject_cast<QHeaderView*>(widget)) return Header(header);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return Combo(combo);
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) return SpinBox(spin);
    if (auto* view = qobject_cast<QAbstractItemView*>(widget)) return Cells(view);
  }

  void Label(QLabel* label) {
    QString text = label->text();
    if (text.isEmpty()) return;
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich) {
      QTextDocument document;
      document.setHtml(text);
      text = document.toPlainText();
    } else if (label->buddy() != nullptr) {
      text = WithoutMnemonic(text);
    }
    Ours(label, {}, text);
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
    const int indent = std::max(0, label->indent());
    if (label->wordWrap() || rich) {
      // A wrapped text is cut when it needs more lines than fit.
      Cut(label, "height", text, label->heightForWidth(label->width()), label->height());
      return;
    }
    const QFontMetrics metrics = label->fontMetrics();
    Cut(label, {}, text, WidestLine(metrics, text), room.width() - indent);
    const int lines = static_cast<int>(text.count('\n')) + 1;
    Cut(label, "height", text, lines * metrics.height(), room.height());
  }

  void Button(QAbstractButton* button) {
    const QString text = WithoutMnemonic(button->text());
    if (text.isEmpty()) return;
    Ours(button, {}, text);
    QStyle::SubElement contents;
    if (qobject_cast<QPushButton*>(button) != nullptr) {
      contents = QStyle::SE_PushButtonContents;
    } else if (qobject_cast<QCheckBox*>(button) != nullptr) {
      contents = QStyle::SE_CheckBoxContents;
    } else if (qobject_cast<QRadioButton*>(button) != nullptr) {
      contents = QStyle::SE_RadioButtonContents;
    } else {
      return;  // tool buttons show icons
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    int available = button->style()->subElementRect(contents, &option, button).width();
    if (!button->icon().isNull()) available -= button->iconSize().width() + 4;
    Cut(button, {}, text, WidestLine(button->fontMetrics(), text), available);
  }

  void GroupBox(QGroupBox* box) {
    const QString text = WithoutMnemonic(box->title());
    if (text.isEmpty()) return;
    Ours(box, "title", text);
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    // The style sizes the title's place to its text; cut is what reaches
    // past the box.
    const int available = std::min(label.width(), box->width() - std::max(0, label.left()));
    Cut(box, "title", text, box->fontMetrics().horizontalAdvance(text), available);
  }

  void Tabs(QTabBar* bar) {
    const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
      if (!bar->isTabVisible(i)) continue;
      const QString text = WithoutMnemonic(bar->tabText(i));
      const QString part = QStringLiteral("tab %1").arg(i);
      Ours(bar, part, text);
      const QRect rect = bar->tabRect(i);
      int needed = bar->fontMetrics().horizontalAdvance(text) + space;
      if (!bar->tabIcon(i).isNull()) needed += bar->iconSize().width() + 4;
      Cut(bar, part, text, needed, rect.width());
      // A tab scrolled out of the bar shows nothing of its text.
      Cut(bar, part + " place", text, rect.right() + 1, bar->width());
    }
  }

  void Header(QHeaderView* header) {
    QAbstractItemModel* model = header->model();
    if (model == nullptr) return;
    int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int mark = header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
    // A header that draws its texts itself says with what font and spacing.
    QFont font = header->font();
    if (const QVariant own = header->property("textFont"); own.isValid()) {
      font = own.value<QFont>();
      margin = header->property("textSpacing").toInt();
    }
    const QFontMetrics metrics(font, header);
    // Sections headed by data (account group names) need no marks.
    const QVariantList data = header->property("tavDataSections").toList();
    for (int i = 0; i < header->count(); ++i) {
      if (header->isSectionHidden(i) || header->sectionSize(i) == 0) continue;
      const QString text = model->headerData(i, header->orientation(), Qt::DisplayRole).toString();
      if (text.isEmpty()) continue;
      const QString part = QStringLiteral("heading %1").arg(i);
      if (!data.contains(i)) Ours(header, part, text);
      if (header->orientation() != Qt::Horizontal) continue;
      int needed = WidestLine(metrics, text) + 2 * margin;
      if (header->isSortIndicatorShown() && header->sortIndicatorSection() == i) {
        needed += mark + margin;
      }
      Cut(header, part, text, needed, header->sectionSize(i));
      // A heading that runs past the list's edge shows part of its text; one
      // wholly past it shows none, unless the list scrolls to it.
      const auto* view = qobject_cast<const QAbstractScrollArea*>(header->parentWidget());
      const bool scrolls = view != nullptr && view->horizontalScrollBar()->isVisible();
      const int left = header->sectionViewportPosition(i);
      if (!scrolls || left < header->viewport()->width()) {
        // Where the text ends: owner-drawn headings are centred, the others
        // follow their alignment.
        const Qt::Alignment align =
            header->property("textFont").isValid()
                ? Qt::AlignHCenter
                : Qt::Alignment(model->headerData(i, header->orientation(), Qt::TextAlignmentRole)
                                    .toInt());
        int end = left + needed;
        if (align & Qt::AlignHCenter) end = left + (header->sectionSize(i) + needed) / 2;
        if (align & Qt::AlignRight) end = left + header->sectionSize(i);
        Cut(header, part + " place", text, end, header->viewport()->width());
      }
      const int lines = static_cast<int>(text.count('\n')) + 1;
      Cut(header, part + " height", text, lines * metrics.height(), header->height());
    }
  }

  void Combo(QComboBox* combo) {
    const QString text = combo->currentText();
    if (text.isEmpty() || combo->isEditable()) return;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = false;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    Cut(combo, "shown item", text, combo->fontMetrics().horizontalAdvance(text), field.width());
  }

  // A date, time or number field shows its whole value in its line edit,
  // which the field places beside its arrows or calendar button.
  void SpinBox(QAbstractSpinBox* spin) {
    const QString text = spin->text();
    const auto* edit = spin->findChild<QLineEdit*>();
    if (text.isEmpty() || edit == nullptr) return;
    const QMargins margins = edit->textMargins();
    // A line edit keeps 2 px on either side of its text.
    constexpr int kLineEditMargins = 4;
    const int available =
        edit->contentsRect().width() - margins.left() - margins.right() - kLineEditMargins;
    Cut(spin, "shown value", text, spin->fontMetrics().horizontalAdvance(text), available);
  }

  void Cells(QAbstractItemView* view) {
    QAbstractItemModel* model = view->model();
    if (model == nullptr) return;
    QAbstractItemDelegate* delegate = view->itemDelegate();
    const QRect viewport = view->viewport()->rect();
    // The rows on screen: a list of a thousand events is checked where
    // the user sees it.
    const int rows = std::min(model->rowCount(), 200);
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < model->columnCount(); ++column) {
        const QModelIndex index = model->index(row, column);
        const QRect rect = view->visualRect(index);
        if (rect.isEmpty() || !rect.intersects(viewport)) continue;
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) continue;
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.widget = view;
        option.font = view->font();
        option.fontMetrics = view->fontMetrics();
        option.rect = rect;
        const QSize wanted = delegate->sizeHint(option, index);
        const QString part = QStringLiteral("cell %1,%2").arg(row).arg(column);
        Cut(view, part, text, wanted.width(), rect.width());
      }
    }
  }

  QWidget* window_;
  bool marks_;
  std::vector<TextProblem> problems_;
};

}  // namespace

QString TextProblem::ToString() const {
  QString shown = text;
  shown.replace('\n', QStringLiteral("\\n"));
  if (kind == kUntranslated) return QStringLiteral("%1: not translated: \"%2\"").arg(where, shown);
  if (shown.isEmpty()) {
    return QStringLiteral("%1: needs %2 px, has %3").arg(where).arg(needed).arg(available);
  }
  return QStringLiteral("%1: cut: \"%2\" needs %3 px, has %4")
      .arg(where, shown)
      .arg(needed)
      .arg(available);
}

std::vector<TextProblem> CheckTexts(QWidget* window, bool require_marks) {
  return Checker(window, require_marks).Run();
}

}  // namespace tav::host
