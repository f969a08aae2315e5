#include "historyview/historymodel.h"

#include "historyview/recordwords.h"
#include "ui/ansitext.h"

namespace {

QString U(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

HistoryModel::HistoryModel(HistoryStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

void HistoryModel::Reload() {
  beginResetModel();
  rows_.clear();
  exhausted_ = false;
  endResetModel();
  fetchMore({});
}

int HistoryModel::RowOf(std::int64_t id) const {
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].id == id) return static_cast<int>(row);
  }
  return -1;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const UploadRecord& record = RecordAt(index.row());
  if (role == Qt::DisplayRole) {
    switch (index.column()) {
      case DateTime:
        return U(RecordTimeText(record.start.started));
      case Instrument:
        return U(RecordInstrumentText(record));
      case Programmed:
        return U(RecordWhatText(record.start.what));
      case Result:
        return QString(UploadOutcomeText(record.end.result));
      default:
        return {};
    }
  }
  if (role == Qt::ToolTipRole && index.column() == Instrument) {
    return U(RecordInstrumentText(record));  // in full where the column cuts it
  }
  if (role == Qt::ToolTipRole && index.column() == Result && !record.end.message.empty()) {
    return AnsiToShownLines(record.end.message);
  }
  return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case DateTime:
      return QString("Date and time");
    case Instrument:
      return QString("Instrument");
    case Programmed:
      return QString("Programmed");
    case Result:
      return QString("Result");
    default:
      return {};
  }
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !exhausted_;
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid() || exhausted_) return;
  std::vector<UploadRecord> page = store_.List(kPageSize, rows_.size());
  exhausted_ = page.size() < kPageSize;
  if (page.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(page.begin()),
               std::make_move_iterator(page.end()));
  endInsertRows();
}
