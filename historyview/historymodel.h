// HistoryModel: the recorded uploads as the History tab's list shows them,
// newest first, read from the store a page at a time as the view scrolls, so
// that a long history opens as fast as a short one.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "history/historystore.h"

class HistoryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { DateTime, Instrument, Programmed, Result, ColumnCount };
  // Records read from the store at a time.
  static constexpr std::size_t kPageSize = 100;

  // store: where the records are read. Not
  // owned; must outlive the model.
  explicit HistoryModel(HistoryStore& store, QObject* parent = nullptr);

  // Forgets what was read and reads the newest page again.
  void Reload();

  // The record of row (0 is the newest); row must be below rowCount().
  const UploadRecord& RecordAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  // The row of record id among those read so far, or -1.
  int RowOf(std::int64_t id) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Display text per column: "2026-12-09 15:41:58 UTC", the port with its
  // adapter, "Power-on values" / "Auto selections", the result word; the
  // result's tooltip is the failure's message.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  HistoryStore& store_;
  std::vector<UploadRecord> rows_;
  bool exhausted_ = true;
};
