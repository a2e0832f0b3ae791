// The window's commands: "Open BMP" and the reading of its picture, "In
// File", the console preview and "Close".
#include <QDir>
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QStringList>

#include <exception>
#include <optional>
#include <string>

#include "formats/bmp/bmp_layout.h"
#include "formats/picture_file.h"
#include "io/failure_text.h"
#include "ui/common/core_text.h"
#include "ui/console_preview/console_preview_window.h"
#include "ui/main_window/main_window.h"

namespace {

using tilora::ui::CoreText;
using tilora::ui::LocalName;

bool NamedAs(const QString& name, const char* suffix) {
  return QFileInfo(name).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

// The header's sizes, held until the header has been judged.
struct HeaderSize {
  std::optional<std::int32_t> width;
  std::optional<std::int32_t> height;
};

}  // namespace

void TForm1::OpenBMP1Click() {
  try {
    if (!runDialog_(*dlgOpenPic1)) return;
  } catch (...) {
    ShowCurrentException();
    return;
  }
  OpenChosenPicture();
}

void TForm1::OpenGivenFile(const QString& file) {
  dlgOpenPic1->SetFileName(QFileInfo(file).absoluteFilePath());
  OpenChosenPicture();
}

void TForm1::OpenChosenPicture() {
  // Whatever an earlier open is still reading is never shown now.
  reading_.Drop();
  ReadChosenPicture();
  if (!reading_.Busy()) EndOpen();
}

void TForm1::ReadChosenPicture() {
  // Nothing of an earlier open is converted after this one fails.
  PictureHeaderAccepted = false;
  opened_ = {};
  try {
    const QString name = dlgOpenPic1->FileName();
    // As the platform's dialog does, so relative output names land beside the picture.
    QDir::setCurrent(QFileInfo(name).absolutePath());
    stat1Panel->setText(name);
    if (StartPngRead(name)) return;

    HeaderSize size;
    const auto applySize = [this, &size] {
      if (size.width) SetImageWidth(*size.width);
      if (size.height) SetImageHeight(*size.height);
    };
    try {
      opened_.stamp = tilora::ReadHeader(LocalName(name), PictureHeader, SourceFile,
                                         {[&size](std::int32_t w) { size.width = w; },
                                          [&size](std::int32_t h) { size.height = h; }});
    } catch (...) {
      applySize();
      throw;
    }
    // A file named as a bitmap must be one; icons and metafiles are shown
    // by their own decoders. One that is not gives img1 no size: the bytes
    // at the header's offsets are no picture's.
    if (NamedAs(name, "bmp") && !tilora::IsBitmapHeader(PictureHeader)) {
      ShowNotice(QString::fromLatin1(tilora::kNotBmpNotice));
      return;
    }
    applySize();
    if (!tilora::IsAccepted(PictureHeader)) {
      ShowNotice(QString::fromLatin1(tilora::kCompressionNotice));
      return;
    }
    PictureHeaderAccepted = true;
    StaticText1->SetText(QString::fromStdString(tilora::ResolutionText(PictureHeader)));
    StaticText3->SetText(QString::fromStdString(tilora::FormatText(PictureHeader)));
    Convert1->menuAction()->setEnabled(true);
    StartReading(
        name, [decode = decodePicture_, name, stamp = opened_.stamp] { return ReadAfterHeader(decode, name, stamp); },
        &TForm1::ShowRead);
  } catch (...) {
    ShowCurrentException();
  }
}

// A PNG is told by its signature, as the conversion tells it; a file named
// as a bitmap is read as one whatever it holds, so it meets the not-a-BMP
// notice as before. False when the file is not a PNG.
bool TForm1::StartPngRead(const QString& name) {
  if (NamedAs(name, "bmp")) return false;
  if (!tilora::IsPngFile(LocalName(name))) return false;
  StartReading(name, [decode = decodePicture_, name] { return ReadPng(decode, name); }, &TForm1::ShowPngRead);
  return true;
}

void TForm1::StartReading(const QString& name, PictureReading::Work work, void (TForm1::*shown)(const PictureRead&)) {
  setCursor(Qt::BusyCursor);
  ConsolePreview1->setEnabled(PictureHeaderAccepted);
  if (consolePreview_) consolePreview_->SetReading(name);
  reading_.Start(std::move(work), [this, shown](const PictureRead& read) {
    try {
      (this->*shown)(read);
    } catch (...) {
      ShowCurrentException();
    }
    EndOpen();
  });
}

// The picture of an accepted bitmap header; a failure to show it leaves the
// picture img1 showed before.
void TForm1::ShowRead(const PictureRead& read) {
  opened_ = read.decoded;
  if (read.shown.isNull()) {
    ShowFailure(read.displayFailure);
    return;
  }
  // A metafile's bytes at the bitmap header's offsets mean nothing; its
  // size is the decoded picture's.
  const QString name = dlgOpenPic1->FileName();
  if (NamedAs(name, "emf") || NamedAs(name, "wmf")) {
    SetImageWidth(read.shown.width());
    SetImageHeight(read.shown.height());
  }
  img1->SetPicture(read.shown);
}

// A PNG is described and accepted once it has been decoded: one that cannot
// be leaves the window as it was.
void TForm1::ShowPngRead(const PictureRead& read) {
  opened_ = read.decoded;
  if (!opened_.picture) {
    ShowFailure(CoreText(tilora::FailureMessage(opened_.failure.value_or(tilora::Failure{}))));
    return;
  }
  PictureHeaderAccepted = true;
  const tilora::Picture& picture = *opened_.picture;
  SetImageWidth(picture.width);
  SetImageHeight(picture.height);
  tilora::PictureHeaderRecord described;
  described.Width = picture.width;
  described.Height = picture.height;
  described.Depth = static_cast<std::uint16_t>(picture.depth);
  StaticText1->SetText(QString::fromStdString(tilora::ResolutionText(described)));
  StaticText3->SetText(QString::fromStdString(tilora::FormatText(described)));
  Convert1->menuAction()->setEnabled(true);
  if (read.shown.isNull()) {
    ShowFailure(read.displayFailure);
    return;
  }
  img1->SetPicture(read.shown);
}

void TForm1::EndOpen() {
  unsetCursor();
  FollowLastOpen();
}

// The console preview shows what "In File" would convert: nothing after an
// open that was refused or failed.
void TForm1::FollowLastOpen() {
  const bool accepted = PictureHeaderAccepted;
  ConsolePreview1->setEnabled(accepted);
  if (!consolePreview_) return;
  if (accepted)
    consolePreview_->SetPicture(opened_, img1->Picture());
  else
    consolePreview_->close();
}

void TForm1::ConsolePreview1Click() {
  try {
    if (!consolePreview_) {
      consolePreview_ = new ConsolePreviewWindow(this);
      consolePreview_->SetBaseName([this] { return Edit1->text(); });
      consolePreview_->SetFailureSink([this](const QString& text) { ShowFailure(text); });
      // Ctrl+Q closes Tilora from the preview too.
      consolePreview_->addAction(Close1);
      if (Reading())
        consolePreview_->SetReading(dlgOpenPic1->FileName());
      else
        consolePreview_->SetPicture(opened_, img1->Picture());
    }
    consolePreview_->ShowBeside(this);
  } catch (...) {
    ShowCurrentException();
  }
}

// Refusals are notices; a file that could not be read or written, or a
// fault of ours, is a failure.
void TForm1::ShowConversionFailure(const tilora::Failure& failure) {
  const QString text = CoreText(tilora::FailureMessage(failure));
  if (failure.kind == tilora::FailureKind::Picture || failure.kind == tilora::FailureKind::Usage)
    ShowNotice(text);
  else
    ShowFailure(text);
}

void TForm1::inFile1Click() {
  // The status bar says what the last command did: the picture's name as
  // the open left it, or the files a conversion wrote.
  stat1Panel->setText(dlgOpenPic1->FileName());
  // What was read so far is no picture to convert.
  if (Reading()) {
    ShowNotice(QString::fromLatin1(tilora::kStillReadingNotice));
    return;
  }
  try {
    const tilora::Result<tilora::ConvertedFiles> done =
        tilora::ConvertPicture(opened_, PictureHeaderAccepted, LocalName(Edit1->text()));
    if (const tilora::Failure* failure = done.IfFailed()) {
      ShowConversionFailure(*failure);
      return;
    }
    QStringList written;
    for (const std::string& name : done->written) written << CoreText(name);
    stat1Panel->setText(QStringLiteral("Wrote ") + written.join(QStringLiteral(", ")));
  } catch (...) {
    ShowCurrentException();
  }
}

void TForm1::Close1Click() { close(); }
