#include "qt/qt_form_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace synt {

namespace {

QString Q(std::u16string_view s) {
  return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

std::u16string U(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

QWidget* TextEditor(const TFormField& F) {
  if (F.Items.empty() && !F.History) return new QLineEdit(Q(F.Text));
  // A history to pick from: an editable combo box holding the text.
  auto* c = new QComboBox;
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  for (const std::u16string& i : F.Items) c->addItem(Q(i));
  c->setEditText(Q(F.Text));
  c->setMinimumContentsLength(30);
  return c;
}

QGroupBox* RadioGroup(const TFormField& F) {
  auto* box = new QGroupBox(Q(F.Caption));
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  for (size_t i = 0; i < F.Items.size(); ++i) {
    auto* b = new QRadioButton(Q(F.Items[i]));
    group->addButton(b, int(i));
    layout->addWidget(b);
    if (int(i) == F.Value) b->setChecked(true);
  }
  return box;
}

}  // namespace

TQtFormDialog::TQtFormDialog(const TDialogForm& Form, QWidget* Parent)
    : dialog_(std::make_unique<QDialog>(Parent)) {
  dialog_->setWindowTitle(Q(Form.Caption));
  dialog_->setObjectName(Q(Form.Name));
  auto* top = new QVBoxLayout(dialog_.get());
  auto* fields = new QFormLayout;
  top->addLayout(fields);
  QGroupBox* options = nullptr;
  QHBoxLayout* groups = nullptr;
  for (const TFormField& f : Form.Fields) {
    QWidget* w = nullptr;
    switch (f.Kind) {
      case fkText:
        w = TextEditor(f);
        fields->addRow(Q(f.Caption), w);
        break;
      case fkInteger: {
        auto* s = new QSpinBox;
        s->setRange(f.Min, f.Max);
        s->setValue(f.Value);
        w = s;
        fields->addRow(Q(f.Caption), w);
        break;
      }
      case fkBoolean: {
        // Check boxes gather in one group, each with its caption (and access key) on itself.
        auto* c = new QCheckBox(Q(f.Caption));
        c->setChecked(f.Value != 0);
        if (!options) {
          options = new QGroupBox(QStringLiteral("Options"));
          new QVBoxLayout(options);
          top->addWidget(options);
        }
        options->layout()->addWidget(c);
        w = c;
        break;
      }
      case fkChoice:
        if (f.Radio) {
          if (!groups) {
            groups = new QHBoxLayout;
            top->addLayout(groups);
          }
          w = RadioGroup(f);
          groups->addWidget(w);
        } else {
          auto* c = new QComboBox;
          for (const std::u16string& i : f.Items) c->addItem(Q(i));
          c->setCurrentIndex(f.Value);
          w = c;
          fields->addRow(Q(f.Caption), w);
        }
        break;
    }
    w->setObjectName(Q(f.Name));
    editors_.push_back(w);
  }
  // Fields enabled by a check box follow it.
  for (size_t i = 0; i < Form.Fields.size(); ++i) {
    const TFormField& f = Form.Fields[i];
    if (f.EnabledBy.empty()) continue;
    for (size_t k = 0; k < Form.Fields.size(); ++k) {
      auto* c = qobject_cast<QCheckBox*>(editors_[k]);
      if (!c || Form.Fields[k].Name != f.EnabledBy) continue;
      QWidget* target = editors_[i];
      target->setEnabled(c->isChecked());
      QObject::connect(c, &QCheckBox::toggled, target, &QWidget::setEnabled);
    }
  }
  AddButtons(Form);
  if (!editors_.empty()) editors_.front()->setFocus();
}

TQtFormDialog::~TQtFormDialog() = default;

void TQtFormDialog::AddButtons(const TDialogForm& Form) {
  auto* box = new QDialogButtonBox;
  QDialog* d = dialog_.get();
  struct TKind {
    TMsgDlgBtn Btn;
    const char* Text;
    int Result;
    QDialogButtonBox::ButtonRole Role;
  };
  const TKind kinds[] = {
      {mbOK, "OK", mrOk, QDialogButtonBox::AcceptRole},
      {mbYes, "&Yes", mrYes, QDialogButtonBox::YesRole},
      {mbAll, "&All", mrAll, QDialogButtonBox::ActionRole},
      {mbNo, "&No", mrNo, QDialogButtonBox::NoRole},
      {mbCancel, "Cancel", mrCancel, QDialogButtonBox::RejectRole},
  };
  for (const TKind& k : kinds) {
    if (!Form.Buttons.Contains(k.Btn)) continue;
    const std::u16string* caption = Form.ButtonCaption(k.Btn);
    auto* b = box->addButton(caption ? Q(*caption) : QString::fromLatin1(k.Text), k.Role);
    const int result = k.Result;
    QObject::connect(b, &QPushButton::clicked, d, [d, result] { d->done(result); });
    if (k.Btn == mbOK) {
      b->setDefault(true);
      b->setAutoDefault(true);
    }
  }
  dialog_->layout()->addWidget(box);
}

int TQtFormDialog::Exec() {
  const int r = dialog_->exec();
  // Escape and the window's close button reject.
  return r == QDialog::Rejected ? mrCancel : r;
}

void TQtFormDialog::Read(TDialogForm& Form) const {
  for (size_t i = 0; i < Form.Fields.size() && i < editors_.size(); ++i) {
    TFormField& f = Form.Fields[i];
    QWidget* w = editors_[i];
    if (auto* e = qobject_cast<QLineEdit*>(w)) f.Text = U(e->text());
    if (auto* s = qobject_cast<QSpinBox*>(w)) f.Value = s->value();
    if (auto* c = qobject_cast<QCheckBox*>(w)) f.Value = c->isChecked() ? 1 : 0;
    if (auto* c = qobject_cast<QComboBox*>(w)) {
      if (f.Kind == fkText)
        f.Text = U(c->currentText());
      else
        f.Value = c->currentIndex();
    }
    if (auto* g = w->findChild<QButtonGroup*>()) f.Value = std::max(0, g->checkedId());
  }
}

}  // namespace synt
