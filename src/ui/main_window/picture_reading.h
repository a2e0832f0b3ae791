#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

#include "ui/main_window/opened_picture.h"

// What reading an opened file gives the window: the picture decoded once,
// and what img1 shows of it.
struct PictureRead {
  tilora::DecodedFile decoded;
  QImage shown;            // null when the display could not read the file
  QString displayFailure;  // why, for the failure box
};

// The picture of a file whose bitmap header the open accepted (at stamp):
// decoded once, and shown from that decoding when it is a bitmap; what the
// core cannot read (an icon, a metafile, a bitmap beyond the converter's
// limits) is shown by the display's own decoders. Runs on a worker thread.
PictureRead ReadAfterHeader(const tilora::PictureDecoder& decode, const QString& name,
                            const tilora::platform::FileStamp& stamp);

// A PNG's picture, decoded once and shown from that decoding.
PictureRead ReadPng(const tilora::PictureDecoder& decode, const QString& name);

// Reads an open's picture on a worker thread, so that the window repaints
// and its menus open while a large picture decodes. Only the latest read
// counts: one not started yet when another comes is skipped, and the result
// of one already running is dropped, so an earlier open never replaces a
// later one's picture.
class PictureReading : public QObject {
  Q_OBJECT

 public:
  using Work = std::function<PictureRead()>;
  using Done = std::function<void(const PictureRead&)>;

  explicit PictureReading(QObject* parent = nullptr);
  // Waits for reads still running: a decode cannot be interrupted, and it
  // ends within the size limits' bounds.
  ~PictureReading() override;

  // Replaces any earlier read; done runs on this object's thread.
  void Start(Work work, Done done);
  // Forgets the current read: nothing follows for it.
  void Drop();
  bool Busy() const { return pending_ != 0; }

 private:
  QThreadPool pool_;
  // The latest read's ticket, shared with the workers so a queued read can
  // see it has been overtaken before it starts.
  std::shared_ptr<std::atomic<quint64>> latest_ = std::make_shared<std::atomic<quint64>>(0);
  quint64 pending_ = 0;  // the read awaited, 0 for none
};
