// A TDialogForm as a Qt dialog: text fields (an editable combo box when there is a history),
// integers, check boxes, choices as radio-button groups or drop-down lists, fields enabled by a
// check box, and the form's buttons with their captions (OK the default, Cancel on Escape).
//
//   synt::TQtFormDialog d(form, parentWidget);
//   const int r = d.Exec();                  // mrOk, mrCancel, mrAll, ...
//   if (r != synt::mrCancel) d.Read(form);
//   d.Dialog().grab().save("form.png");      // tests look at it without running it
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "platform/dialogs.h"

namespace synt {

class TQtFormDialog {
 public:
  explicit TQtFormDialog(const TDialogForm& Form, QWidget* Parent = nullptr);
  ~TQtFormDialog();
  TQtFormDialog(const TQtFormDialog&) = delete;
  TQtFormDialog& operator=(const TQtFormDialog&) = delete;

  QDialog& Dialog() { return *dialog_; }
  // Runs the dialog modally; the modal result of the button that closed it.
  int Exec();
  // Copies what the user entered into Form's fields.
  void Read(TDialogForm& Form) const;
  // The widget editing field Index (a QButtonGroup's box for radio groups).
  QWidget* Editor(size_t Index) const { return editors_.at(Index); }

 private:
  void AddButtons(const TDialogForm& Form);
  std::unique_ptr<QDialog> dialog_;
  std::vector<QWidget*> editors_;
};

}  // namespace synt
