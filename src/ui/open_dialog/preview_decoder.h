#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

// Decodes preview pictures on worker threads so that moving through a folder
// never waits for a picture. Only the latest request counts: an earlier one
// that has not started yet is skipped, and the result of one that was already
// running is dropped, so an old picture never replaces a newer selection's.
// Results arrive as Decoded on the thread that owns this object.
class TPreviewDecoder : public QObject {
  Q_OBJECT

 public:
  // Runs on a worker thread: it must not touch widgets. On failure a null
  // image, with the reason in *error.
  using Decoder = std::function<QImage(const QString& path, QString* error)>;

  explicit TPreviewDecoder(QObject* parent = nullptr);
  // Waits for decodes already running (a metafile's is bounded by its
  // decoder's own time limit); queued ones are skipped.
  ~TPreviewDecoder() override;

  // Replaces any earlier request. A path that is not a file gives a null
  // image without reaching decoder.
  void Request(const QString& path, Decoder decoder);
  // Drops the current request: no Decoded follows for it.
  void Cancel();
  // A request whose result has not been delivered yet.
  bool Pending() const { return pending_ != 0; }
  // Decodes whose results, delivered or dropped, have not come back yet.
  int Running() const { return running_; }

 signals:
  void Decoded(const QString& path, const QImage& picture);

 private:
  void Deliver(quint64 ticket, const QString& path, const QImage& picture);

  QThreadPool pool_;
  // The ticket of the latest request, shared with the workers so a queued
  // decode can see it has been overtaken before it starts.
  std::shared_ptr<std::atomic<quint64>> latest_ = std::make_shared<std::atomic<quint64>>(0);
  quint64 pending_ = 0;  // the ticket awaited, 0 when none
  int running_ = 0;
};
