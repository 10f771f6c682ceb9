#include "ui/MainBatch.h"

#include "ui/MainForm.h"
#include "ui/QtText.h"
#include "ui/SettingForm.h"
#include "ui/TaskListModel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

namespace {

BatchServices Services(TMainForm& form, TMainBatch& batch, EncoderRun& encoder,
                       PowerControl& power) {
    BatchServices s;
    s.Rows = &form.Tasks();
    s.View = &batch;
    s.Settings = &batch;
    s.Prompt = &form.prompter();
    s.Shell = &form.shell();
    s.Power = &power;
    s.Encoder = &encoder;
    // Repainting, the timer, Stop and the other commands run here while the
    // encoder works.
    s.Pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    // Runs once the batch is idle again: the close handler then lets the
    // window close. The window object itself stays until the program ends.
    s.CloseMainWindow = [&form] { form.close(); };
    return s;
}

} // namespace

TMainBatch::TMainBatch(TMainForm& form)
    : F(form), FDriver(Services(form, *this, form.Runner(), FPower)) {}

void TMainBatch::FocusTaskList() {
    F.ltvTask->setFocus();
}

void TMainBatch::FocusOutputDir() {
    F.edtOutputdir->setFocus();
}

void TMainBatch::SetBusyControls() {
    F.SetBusyControls();
}

void TMainBatch::SetIdleControls() {
    F.SetIdleControls();
}

void TMainBatch::ShowProgressPanel(bool progress) {
    F.panBottomCenter->setVisible(!progress);
    F.panBottomLeft->setVisible(progress);
}

void TMainBatch::SetConvertingFile(const std::string& text) {
    F.labConvertingFile->setText(ToQ(text));
}

void TMainBatch::SetElapsedText(const std::string& text) {
    F.labElapsed->setText(ToQ(text));
}

void TMainBatch::SetRemainingText(const std::string& text) {
    F.labRemaining->setText(ToQ(text));
}

void TMainBatch::ShowProgress(const ProgressBars& bars) {
    F.pgbCurrent->setValue(bars.Current);
    F.pgbTotal->setValue(bars.Total);
    F.labCurProgress->setText(QString::number(F.pgbCurrent->value()) + QLatin1Char('%'));
    F.labTotalProgress->setText(QString::number(F.pgbTotal->value()) + QLatin1Char('%'));
}

void TMainBatch::SetTimerEnabled(bool enabled) {
    if (enabled)
        F.timerTime->start();
    else
        F.timerTime->stop();
}

std::string TMainBatch::OutputDirText() const {
    return FromQ(F.edtOutputdir->text());
}

std::string TMainBatch::OutputExtension() const {
    return F.OutputExtension();
}

GeneralPreferences TMainBatch::General() const {
    if (TSettingForm* settings = F.SettingForm()) return settings->General();
    return F.Preferences().ReadGeneral();
}

bool TMainBatch::Overwrite() const {
    return General().Overwrite;
}

bool TMainBatch::AutoTurnOff() const {
    return General().AutoTurnOff;
}

bool TMainBatch::AutoExit() const {
    return General().AutoExit;
}

bool TMainBatch::AutoOpenDir() const {
    return General().AutoOpenDir;
}

std::string TMainBatch::ProfileFilePath() const {
    return F.SelectedProfilePath();
}

SheetSet TMainBatch::ProfileSheets() const {
    return F.MainSheets();
}

std::string TMainBatch::ProgramTitle() const {
    return TMainForm::ProductName;
}
