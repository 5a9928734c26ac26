// SPDX-License-Identifier: MIT
#include "unit_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QStyle>
#include <QUndoCommand>
#include <QUndoStack>
#include <algorithm>
#include <iterator>
#include <utility>

namespace extcalc::workbook {
namespace {

using building::ProjectInfo;
using building::Standard;
using building::UnitCells;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class SetCell final : public QUndoCommand {
  public:
    SetCell(UnitModel* model, int row, int column, std::string before, std::string after)
        : model_(model),
          row_(row),
          column_(column),
          before_(std::move(before)),
          after_(std::move(after)) {
        setText(QStringLiteral("编辑单元格"));
    }
    void redo() override { model_->applyCell(row_, column_, after_); }
    void undo() override { model_->applyCell(row_, column_, before_); }

  private:
    UnitModel* model_;
    int row_;
    int column_;
    std::string before_;
    std::string after_;
};

class InsertUnits final : public QUndoCommand {
  public:
    InsertUnits(UnitModel* model, int at, std::vector<UnitCells> units, const QString& what)
        : model_(model), at_(at), units_(std::move(units)) {
        setText(what);
    }
    void redo() override { model_->applyInsert(at_, units_); }
    void undo() override { model_->applyRemove(at_, static_cast<int>(units_.size())); }

  private:
    UnitModel* model_;
    int at_;
    std::vector<UnitCells> units_;
};

// Rows need not be next to each other: they are taken out as runs, last run first, and
// put back first run first, so every row returns to its place.
class RemoveUnits final : public QUndoCommand {
  public:
    RemoveUnits(UnitModel* model, std::vector<int> rows) : model_(model) {
        setText(QStringLiteral("删除计算单元"));
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (const int row : rows) {
            if (!runs_.empty() && runs_.back().first + runs_.back().second == row) {
                ++runs_.back().second;
            } else {
                runs_.emplace_back(row, 1);
            }
        }
    }
    void redo() override {
        taken_.clear();
        for (std::size_t i = runs_.size(); i-- > 0;) {
            taken_.push_back(model_->applyRemove(runs_[i].first, runs_[i].second));
        }
        std::reverse(taken_.begin(), taken_.end());
    }
    void undo() override {
        for (std::size_t i = 0; i < runs_.size(); ++i) {
            model_->applyInsert(runs_[i].first, taken_[i]);
        }
    }

  private:
    UnitModel* model_;
    std::vector<std::pair<int, int>> runs_;  // first row, count
    std::vector<std::vector<UnitCells>> taken_;
};

class MoveUnit final : public QUndoCommand {
  public:
    MoveUnit(UnitModel* model, int from, int to) : model_(model), from_(from), to_(to) {
        setText(QStringLiteral("移动计算单元"));
    }
    void redo() override { model_->applyMove(from_, to_); }
    void undo() override { model_->applyMove(to_, from_); }

  private:
    UnitModel* model_;
    int from_;
    int to_;
};

class ChangeInfo final : public QUndoCommand {
  public:
    ChangeInfo(UnitModel* model, ProjectInfo info, Standard standard)
        : model_(model),
          before_(model->workbook().info()),
          beforeStandard_(model->workbook().standard()),
          after_(std::move(info)),
          afterStandard_(standard) {
        setText(QStringLiteral("修改工程信息"));
    }
    void redo() override { model_->applyInfo(after_, afterStandard_); }
    void undo() override { model_->applyInfo(before_, beforeStandard_); }

  private:
    UnitModel* model_;
    ProjectInfo before_;
    Standard beforeStandard_;
    ProjectInfo after_;
    Standard afterStandard_;
};

}  // namespace

UnitModel::UnitModel(QUndoStack* undo, QObject* parent) : QAbstractTableModel(parent), undo_(undo) {
    columnsChanged();
}

void UnitModel::columnsChanged() {
    const Standard standard = workbook_.standard();
    inputs_ = static_cast<int>(building::inputColumns(standard).size());
    headers_.clear();
    const auto chinese = [](const auto& column) { return fromUtf8(column.chinese); };
    std::ranges::transform(building::inputColumns(standard), std::back_inserter(headers_), chinese);
    std::ranges::transform(building::resultColumns(standard), std::back_inserter(headers_),
                           chinese);
}

void UnitModel::reset(building::Project project) {
    beginResetModel();
    workbook_ = building::Workbook(std::move(project));
    columnsChanged();
    endResetModel();
    undo_->clear();
    emit totalsChanged();
    emit infoChanged();
}

bool UnitModel::isChoice(int column) const {
    const auto columns = building::inputColumns(workbook_.standard());
    return column >= 0 && column < inputs_ &&
           !building::choices(workbook_.standard(), static_cast<std::size_t>(column), {}).empty() &&
           columns[static_cast<std::size_t>(column)].kind != building::ColumnKind::Name;
}

bool UnitModel::takesOwnText(int column) const {
    const auto columns = building::inputColumns(workbook_.standard());
    return column >= 0 && column < inputs_ &&
           columns[static_cast<std::size_t>(column)].kind == building::ColumnKind::Text;
}

bool UnitModel::takesSeveral(int column) const {
    return column >= 0 && column < inputs_ &&
           building::takesSeveral(workbook_.standard(), static_cast<std::size_t>(column));
}

QStringList UnitModel::pickedItems(int column, const QString& text) const {
    QStringList items;
    for (const std::string& item :
         building::pickedItems(workbook_.standard(), static_cast<std::size_t>(std::max(column, 0)),
                               text.toStdString())) {
        items.append(QString::fromStdString(item));
    }
    return items;
}

QString UnitModel::pickedText(int column, const QStringList& items) const {
    std::vector<std::string> picked;
    std::ranges::transform(items, std::back_inserter(picked),
                           [](const QString& item) { return item.toStdString(); });
    return QString::fromStdString(building::pickedText(
        workbook_.standard(), static_cast<std::size_t>(std::max(column, 0)), picked));
}

QString UnitModel::choiceLabel(int column, const QString& item) const {
    return QString::fromStdString(building::choiceLabel(
        workbook_.standard(), static_cast<std::size_t>(std::max(column, 0)), item.toStdString()));
}

void UnitModel::setNamesInRowHeaders(bool names) {
    if (names != namesInHeaders_ && rowCount() > 0) {
        namesInHeaders_ = names;
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
    namesInHeaders_ = names;
}

QStringList UnitModel::choicesFor(const QModelIndex& index) const {
    QStringList items;
    if (!index.isValid() || index.column() >= inputs_) {
        return items;
    }
    std::ranges::transform(
        building::choices(workbook_.standard(), static_cast<std::size_t>(index.column()),
                          workbook_.cells(static_cast<std::size_t>(index.row()))),
        std::back_inserter(items),
        [](const std::string& item) { return QString::fromStdString(item); });
    return items;
}

int UnitModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(workbook_.size());
}

int UnitModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant UnitModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    const building::UnitOutcome& outcome = workbook_.outcome(row);
    switch (role) {
        case Qt::EditRole:
            if (index.column() < inputs_) {
                const UnitCells& cells = workbook_.cells(row);
                return column < cells.size() ? QString::fromStdString(cells[column]) : QString();
            }
            if (const std::size_t result = column - inputsAt(); result < outcome.results.size()) {
                return QString::fromStdString(outcome.results[result]);
            }
            return QString();
        case Qt::DisplayRole: {
            // What people read: a K with its value, a model with its ratings, a rating
            // with its letter. Edits, the clipboard and the files keep the bare texts.
            if (index.column() < inputs_) {
                const UnitCells& cells = workbook_.cells(row);
                return column < cells.size() ? QString::fromStdString(building::choiceLabel(
                                                   workbook_.standard(), column, cells[column]))
                                             : QString();
            }
            return QString::fromStdString(
                building::shownResult(workbook_.standard(), outcome, column - inputsAt()));
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(isFigure(index.column()) ? Qt::AlignRight | Qt::AlignVCenter
                                                                : Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ToolTipRole:
            return outcome.results.empty()
                       ? QVariant()
                       : QVariant(QString::fromStdString(outcome.results.back()));
        case Qt::BackgroundRole:
            if (outcome.failed()) {
                return QBrush(QColor(0xFF, 0xDC, 0xDC));
            }
            if (outcome.hasWarnings()) {
                return QBrush(QColor(0xFF, 0xF1, 0xC8));
            }
            return {};
        case Qt::DecorationRole:
            if (index.column() != 0) {
                return {};
            }
            // Made on first use: the model is also used without a style, in the benchmark.
            if (outcome.failed()) {
                if (errorIcon_.isNull()) {
                    errorIcon_ = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
                }
                return errorIcon_;
            }
            if (outcome.hasWarnings()) {
                if (warningIcon_.isNull()) {
                    warningIcon_ =
                        QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
                }
                return warningIcon_;
            }
            return {};
        default:
            return {};
    }
}

QVariant UnitModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Vertical) {
        if (namesInHeaders_ && section >= 0 && section < rowCount()) {
            const UnitCells& cells = workbook_.cells(static_cast<std::size_t>(section));
            if (!cells.empty() && !cells.front().empty()) {
                return QStringLiteral("%1 %2")
                    .arg(section + 1)
                    .arg(QString::fromStdString(cells.front()));
            }
        }
        return section + 1;
    }
    return section >= 0 && section < headers_.size() ? headers_[section] : QVariant();
}

bool UnitModel::isFigure(int column) const {
    const auto inputs = building::inputColumns(workbook_.standard());
    if (column < 0 || column >= columnCount()) {
        return false;
    }
    if (column < inputs_) {
        const building::Field field = inputs[static_cast<std::size_t>(column)].field;
        return field == building::Field::Area || field == building::Field::Points;
    }
    // Every result is a figure but the last, the problems.
    return column < columnCount() - 1;
}

Qt::ItemFlags UnitModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() < inputs_) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool UnitModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() >= inputs_) {
        return false;
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    const UnitCells& cells = workbook_.cells(row);
    std::string before = column < cells.size() ? cells[column] : std::string();
    std::string after = workbook_.canonicalCell(row, column, value.toString().toStdString());
    if (after == before) {
        return true;
    }
    undo_->push(
        new SetCell(this, index.row(), index.column(), std::move(before), std::move(after)));
    return true;
}

void UnitModel::addUnits(int at, std::vector<UnitCells> units, const QString& what) {
    if (!units.empty()) {
        undo_->push(new InsertUnits(this, at, std::move(units), what));
    }
}

void UnitModel::removeUnits(std::vector<int> rows) {
    if (!rows.empty()) {
        undo_->push(new RemoveUnits(this, std::move(rows)));
    }
}

void UnitModel::moveUnit(int from, int to) {
    if (from != to && from >= 0 && to >= 0 && from < rowCount() && to < rowCount()) {
        undo_->push(new MoveUnit(this, from, to));
    }
}

void UnitModel::changeInfo(const ProjectInfo& info, Standard standard) {
    if (info != workbook_.info() || standard != workbook_.standard()) {
        undo_->push(new ChangeInfo(this, info, standard));
    }
}

void UnitModel::applyCell(int row, int column, const std::string& text) {
    workbook_.setCell(static_cast<std::size_t>(row), static_cast<std::size_t>(column), text);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    if (namesInHeaders_ && column == 0) {
        emit headerDataChanged(Qt::Vertical, row, row);
    }
    emit totalsChanged();
}

void UnitModel::applyInsert(int at, std::vector<UnitCells> units) {
    if (units.empty()) {
        return;
    }
    beginInsertRows({}, at, at + static_cast<int>(units.size()) - 1);
    workbook_.insert(static_cast<std::size_t>(at), std::move(units));
    endInsertRows();
    emit totalsChanged();
}

std::vector<UnitCells> UnitModel::applyRemove(int at, int count) {
    beginRemoveRows({}, at, at + count - 1);
    auto taken = workbook_.remove(static_cast<std::size_t>(at), static_cast<std::size_t>(count));
    endRemoveRows();
    emit totalsChanged();
    return taken;
}

void UnitModel::applyMove(int from, int to) {
    // Qt names the row before which the moved row lands.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    workbook_.move(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    endMoveRows();
}

void UnitModel::applyInfo(const ProjectInfo& info, Standard standard) {
    workbook_.setInfo(info);
    if (standard != workbook_.standard()) {
        beginResetModel();
        workbook_.setStandard(standard);
        columnsChanged();
        endResetModel();
    }
    emit infoChanged();
}

}  // namespace extcalc::workbook
