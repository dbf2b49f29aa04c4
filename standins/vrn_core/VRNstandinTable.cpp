// The stand-in's message table and its exported table functions.
#include "standins/vrn_core/VRNstandinTable.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <set>

VRNstandinTableRef::VRNstandinTableRef(VRNstandinTable* table) : m_Table(table) {
  if (m_Table) m_Table->add_ref();
}
VRNstandinTableRef::VRNstandinTableRef(const VRNstandinTableRef& other) : VRNstandinTableRef(other.m_Table) {}
VRNstandinTableRef& VRNstandinTableRef::operator=(const VRNstandinTableRef& other) {
  VRNstandinTable* old = m_Table;
  m_Table = other.m_Table;
  if (m_Table) m_Table->add_ref();
  if (old) old->release();
  return *this;
}
VRNstandinTableRef::~VRNstandinTableRef() {
  if (m_Table) m_Table->release();
}

namespace {

// Every live table with its owner. A reference of an owner is given or taken back only
// under this lock, so that a table a lookup finds cannot be on its way out; a table's
// destruction, which may destroy its sub-tables, runs under it too (hence recursive).
// Lives as long as the process, as the engines' registry does.
struct TableRegistry {
  std::recursive_mutex Lock;
  std::map<const void*, VRNstandinTable*> Live;
};
TableRegistry& tables() {
  alignas(TableRegistry) static unsigned char storage[sizeof(TableRegistry)];
  static TableRegistry* kept = new (storage) TableRegistry();
  return *kept;
}

const void* keyOf(VRNstandinTable* table) { return static_cast<COLrefCounted*>(table); }

void giveBack(VRNstandinTable* owner) {
  std::lock_guard<std::recursive_mutex> hold(tables().Lock);
  owner->release();
}

}  // namespace

VRNstandinTable::VRNstandinTable(const std::string& name, VRNstandinTable* owner)
    : m_Owner(owner ? owner : this), m_Name(name) {
  std::lock_guard<std::recursive_mutex> hold(tables().Lock);
  tables().Live[keyOf(this)] = m_Owner;
}

VRNstandinTable::~VRNstandinTable() {
  std::lock_guard<std::recursive_mutex> hold(tables().Lock);
  tables().Live.erase(keyOf(this));
  // The sub-tables go with the rows, under the lock.
  m_Rows.clear();
}

VRNstandinHeldTable::VRNstandinHeldTable(VRNhandle handle) : m_Table(nullptr) {
  if (handle == nullptr) return;
  std::lock_guard<std::recursive_mutex> hold(tables().Lock);
  auto found = tables().Live.find(handle);
  if (found == tables().Live.end()) return;
  found->second->add_ref();
  m_Table = static_cast<VRNstandinTable*>(static_cast<COLrefCounted*>(handle));
}

VRNstandinHeldTable::~VRNstandinHeldTable() {
  if (m_Table) giveBack(m_Table->owner());
}

VRNresult VRNstandinTableRefused(VRNhandle handle) {
  if (handle == nullptr) return VRNstandinFail("Null table");
  return VRNstandinFail("Not a table", "Handle", VRNstandinPointer(handle));
}

const VRNstandinTable::Column* VRNstandinTable::column(int64_t column) const {
  return column >= 0 && column < columnCount() ? &m_Columns[size_t(column)] : nullptr;
}

int64_t VRNstandinTable::columnIndex(const std::string& name) const {
  for (size_t i = 0; i < m_Columns.size(); ++i)
    if (m_Columns[i].name == name) return int64_t(i);
  return -1;
}

int64_t VRNstandinTable::subTableCount() const {
  int64_t count = 0;
  for (const auto& row : m_Rows)
    for (const Cell& cell : row)
      if (!cell.null && cell.type == Table) ++count;
  return count;
}

VRNstandinTable::Cell* VRNstandinTable::cell(int64_t column, int64_t row) {
  if (column < 0 || column >= columnCount() || row < 0 || row >= rowCount()) return nullptr;
  return &m_Rows[size_t(row)][size_t(column)];
}

void VRNstandinTable::addRow() { m_Rows.emplace_back(m_Columns.size()); }

void VRNstandinTable::clear(const std::string& name) {
  m_Name = name;
  m_Columns.clear();
  m_Rows.clear();
}

int64_t VRNstandinTable::addColumn(const std::string& name, Type type) {
  m_Columns.push_back({name, type});
  for (auto& row : m_Rows) row.emplace_back();
  return columnCount() - 1;
}

namespace {

VRNstandinTable* new_sub_table(VRNstandinTable::Cell& cell, const std::string& name, VRNstandinTable* owner) {
  VRNstandinTable* sub = new VRNstandinTable(name, owner);
  cell.null = false;
  cell.type = VRNstandinTable::Table;
  cell.table = VRNstandinTableRef(sub);
  return sub;
}

void set_text(VRNstandinTable::Cell& cell, const std::string& text) {
  cell.null = text.empty();
  cell.type = VRNstandinTable::String;
  cell.text = text;
}

}  // namespace

void VRNstandinTable::fromMessage(const VRNhl7Message& message, const std::string& name) {
  clear(name);
  addColumn("Segment", Table);
  for (const VRNhl7Segment& segment : message.segments) {
    addRow();
    VRNstandinTable* seg = new_sub_table(*cell(0, rowCount() - 1), segment.id, m_Owner);
    size_t repeats = 1;
    for (const VRNhl7Field& field : segment.fields) repeats = std::max(repeats, field.size());
    for (size_t f = 0; f < segment.fields.size(); ++f) seg->addColumn(segment.id + "." + std::to_string(f + 1), String);
    for (size_t r = 0; r < repeats; ++r) seg->addRow();
    for (size_t f = 0; f < segment.fields.size(); ++f) {
      const VRNhl7Field& field = segment.fields[f];
      for (size_t r = 0; r < field.size(); ++r) {
        Cell& target = *seg->cell(int64_t(f), int64_t(r));
        if (field[r].size() <= 1) {
          set_text(target, field[r].empty() ? std::string() : field[r][0]);
          continue;
        }
        seg->m_Columns[f].type = Table;
        VRNstandinTable* components = new_sub_table(target, seg->m_Columns[f].name, m_Owner);
        components->addRow();
        for (size_t k = 0; k < field[r].size(); ++k) {
          components->addColumn(seg->m_Columns[f].name + "." + std::to_string(k + 1), String);
          set_text(*components->cell(int64_t(k), 0), field[r][k]);
        }
      }
    }
  }
}

bool VRNstandinTable::toMessage(VRNhl7Message& message, std::string& error) const {
  message.segments.clear();
  for (int64_t row = 0; row < rowCount(); ++row) {
    const Cell& holder = m_Rows[size_t(row)][0];
    if (holder.null || holder.type != Table) {
      error = "Segment row " + std::to_string(row) + " holds no segment table";
      return false;
    }
    VRNstandinTable& seg = *holder.table.get();
    VRNhl7Segment segment;
    segment.id = seg.name();
    for (int64_t f = 0; f < seg.columnCount(); ++f) {
      VRNhl7Field field;
      for (int64_t r = 0; r < seg.rowCount(); ++r) {
        const Cell& c = *seg.cell(f, r);
        if (c.null) {
          // An empty first repeat keeps later ones in place; after it, nulls end the field.
          if (r == 0) field.push_back({std::string()});
          continue;
        }
        if (c.type == Table) {
          VRNhl7Repeat components;
          VRNstandinTable& sub = *c.table.get();
          for (int64_t k = 0; k < sub.columnCount(); ++k) {
            const Cell* part = sub.cell(k, 0);
            components.push_back(part && !part->null ? part->text : std::string());
          }
          field.push_back(components);
        } else if (c.type == String) {
          field.push_back({c.text});
        } else {
          field.push_back({c.type == Integer ? std::to_string(c.integer)
                           : c.type == Double ? std::to_string(c.real) : std::to_string(c.dateTime)});
        }
      }
      if (field.size() == 1 && field[0].size() == 1 && field[0][0].empty()) field.clear();
      segment.fields.push_back(field);
    }
    message.segments.push_back(segment);
  }
  if (message.segments.empty() || message.segments[0].id != "MSH") {
    error = "The table holds no MSH segment first";
    return false;
  }
  return true;
}

void VRNstandinTable::shape(const std::string& name, const std::vector<std::string>& segments) {
  clear(name);
  addColumn("Segment", Table);
  for (const std::string& id : segments) {
    addRow();
    new_sub_table(*cell(0, rowCount() - 1), id, m_Owner);
  }
}

std::string VRNstandinTable::dump() const {
  std::string out;
  dump(out, 0);
  return out;
}

void VRNstandinTable::dump(std::string& out, int depth) const {
  std::string indent(size_t(depth) * 2, ' ');
  out += indent + m_Name + "\n";
  for (size_t r = 0; r < m_Rows.size(); ++r)
    for (size_t c = 0; c < m_Columns.size(); ++c) {
      const Cell& cell = m_Rows[r][c];
      out += indent + "  " + m_Columns[c].name + "[" + std::to_string(r) + "]";
      if (cell.null) out += " null\n";
      else if (cell.type == Table) { out += ":\n"; cell.table.get()->dump(out, depth + 2); }
      else if (cell.type == String) out += " = \"" + cell.text + "\"\n";
      else if (cell.type == Integer) out += " = " + std::to_string(cell.integer) + "\n";
      else if (cell.type == Double) out += " = " + std::to_string(cell.real) + "\n";
      else out += " = @" + std::to_string(cell.dateTime) + "\n";
    }
}

// ---- exported table functions ----

namespace {
std::string number(int64_t value) { return std::to_string(value); }

// The dump buffers handed out and not yet given back: a second free of one is refused, and
// one kept after a failed free stays reachable.
std::mutex& dump_lock() {
  static std::mutex lock;
  return lock;
}
std::set<char*>& dump_buffers() {
  static std::set<char*>* buffers = new std::set<char*>;  // never destroyed: still reachable at exit
  return *buffers;
}

// The cell at (First, Second), or a failure naming both indices as they arrived.
VRNresult find_cell(const VRNstandinHeldTable& table, int64_t First, int64_t Second, VRNstandinTable::Cell*& cell) {
  cell = table->cell(First, Second);
  if (cell != nullptr) return nullptr;
  VRNstandinError* error = new VRNstandinError("Cell index out of range", 0x80001000);
  error->setParameter(COLstring("First"), COLstring(number(First).c_str()));
  error->setParameter(COLstring("Second"), COLstring(number(Second).c_str()));
  error->add_ref();
  return static_cast<LEGerror*>(error);
}

VRNresult type_mismatch(const VRNstandinTable::Cell& cell, const char* wanted) {
  return VRNstandinFail("The cell holds no " + std::string(wanted), "Type", number(cell.type));
}

const VRNstandinTable::Column* find_column(const VRNstandinHeldTable& table, int64_t Column, VRNresult& error) {
  error = nullptr;
  const VRNstandinTable::Column* column = table->column(Column);
  if (!column) error = VRNstandinFail("Column index out of range", "Column", number(Column));
  return column;
}

}  // namespace

// The body of a cell function: the cell found, then the statements given.
#define VRN_CELL_BODY(...)                                                  \
  VRN_TABLE_BODY(VRNstandinTable::Cell* cell = nullptr;                     \
                 if (VRNresult bad = find_cell(table, First, Second, cell)) \
                   return bad;                                              \
                 __VA_ARGS__)

// The body of any other table function: the table held, then the statements given.
#define VRN_TABLE_BODY(...)                                                 \
  return VRNstandinGuard([&]() -> VRNresult {                               \
    VRNstandinHeldTable table(Table);                                       \
    if (!table) return VRNstandinTableRefused(Table);                       \
    __VA_ARGS__                                                             \
  })

extern "C" {

VRNresult VRNtableCreate(VRNhandle* Table) {
  VRN_STANDIN_ENTER(VRNtableCreate);
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinTable* table = new VRNstandinTable();
    table->add_ref();
    *Table = static_cast<COLrefCounted*>(table);
    return nullptr;
  });
}

VRNresult VRNtableAddRef(VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNtableAddRef, VRNstandinPointer(Table));
  VRN_TABLE_BODY(table->owner()->add_ref(); return nullptr;);
}

VRNresult VRNtableRelease(VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNtableRelease, VRNstandinPointer(Table));
  // The call's own hold keeps the table alive until the body ends; the owner's reference
  // given back here is the caller's.
  VRN_TABLE_BODY(giveBack(table->owner()); return nullptr;);
}

VRNresult VRNtableName(VRNhandle Table, const char** Name) {
  VRN_STANDIN_ENTER(VRNtableName, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    *Name = table->name().c_str();
    return nullptr;
  });
}

VRNresult VRNtableCountOfRow(VRNhandle Table, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNtableCountOfRow, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    *Count = table->rowCount();
    return nullptr;
  });
}

VRNresult VRNtableSubTable(VRNhandle Table, int64_t First, int64_t Second, VRNhandle* Sub) {
  VRN_STANDIN_ENTER(VRNtableSubTable, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(if (cell->null || cell->type != VRNstandinTable::Table) return type_mismatch(*cell, "sub-table");
                *Sub = static_cast<COLrefCounted*>(cell->table.get()); return nullptr;);
}

VRNresult VRNtableCountOfColumn(VRNhandle Table, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNtableCountOfColumn, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    *Count = table->columnCount();
    return nullptr;
  });
}

VRNresult VRNtableCountOfSubTable(VRNhandle Table, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNtableCountOfSubTable, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    *Count = table->subTableCount();
    return nullptr;
  });
}

VRNresult VRNtableColumnType(VRNhandle Table, int64_t Column, int32_t* Type) {
  VRN_STANDIN_ENTER(VRNtableColumnType, VRNstandinPointer(Table), number(Column));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    VRNresult error = nullptr;
    const VRNstandinTable::Column* column = find_column(table, Column, error);
    if (column) *Type = column->type;
    return error;
  });
}

VRNresult VRNtableColumnName(VRNhandle Table, int64_t Column, const char** Name) {
  VRN_STANDIN_ENTER(VRNtableColumnName, VRNstandinPointer(Table), number(Column));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    VRNresult error = nullptr;
    const VRNstandinTable::Column* column = find_column(table, Column, error);
    if (column) *Name = column->name.c_str();
    return error;
  });
}

VRNresult VRNtableColumnIndex(VRNhandle Table, const char* Name, int64_t* Index) {
  VRN_STANDIN_ENTER(VRNtableColumnIndex, VRNstandinPointer(Table), VRNstandinText(Name));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    if (!Name) return VRNstandinFail("Null column name");
    int64_t index = table->columnIndex(Name);
    if (index < 0) return VRNstandinFail("No column of that name", "Name", Name);
    *Index = index;
    return nullptr;
  });
}

VRNresult VRNtableIsNull(VRNhandle Table, int64_t First, int64_t Second, unsigned char* Flag) {
  VRN_STANDIN_ENTER(VRNtableIsNull, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(*Flag = cell->null ? VRNstandinTableNullByte() : 0; return nullptr;);
}

// 0 for a null cell, 1 for a value, 2 for a sub-table.
VRNresult VRNtableState(VRNhandle Table, int64_t First, int64_t Second, int32_t* State) {
  VRN_STANDIN_ENTER(VRNtableState, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(*State = cell->null ? 0 : cell->type == VRNstandinTable::Table ? 2 : 1; return nullptr;);
}

// A null cell reads as the empty text.
VRNresult VRNtableGetStringA(VRNhandle Table, int64_t First, int64_t Second, const char** T) {
  VRN_STANDIN_ENTER(VRNtableGetStringA, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(if (!cell->null && cell->type != VRNstandinTable::String) return type_mismatch(*cell, "string");
                *T = cell->null ? "" : cell->text.c_str(); return nullptr;);
}

VRNresult VRNtableGetDouble(VRNhandle Table, int64_t First, int64_t Second, double* Value) {
  VRN_STANDIN_ENTER(VRNtableGetDouble, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(if (cell->null || cell->type != VRNstandinTable::Double) return type_mismatch(*cell, "double");
                *Value = cell->real; return nullptr;);
}

VRNresult VRNtableGetInteger(VRNhandle Table, int64_t First, int64_t Second, int32_t* Value) {
  VRN_STANDIN_ENTER(VRNtableGetInteger, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(if (cell->null || cell->type != VRNstandinTable::Integer) return type_mismatch(*cell, "integer");
                *Value = cell->integer; return nullptr;);
}

VRNresult VRNtableGetDateTime(VRNhandle Table, int64_t First, int64_t Second, int64_t* Value) {
  VRN_STANDIN_ENTER(VRNtableGetDateTime, VRNstandinPointer(Table), number(First), number(Second));
  VRN_CELL_BODY(if (cell->null || cell->type != VRNstandinTable::DateTime) return type_mismatch(*cell, "date-time");
                *Value = cell->dateTime; return nullptr;);
}

VRNresult VRNtableSetDouble(VRNhandle Table, int64_t First, int64_t Second, double Value) {
  VRN_STANDIN_ENTER(VRNtableSetDouble, VRNstandinPointer(Table), number(First), number(Second),
                    std::to_string(Value));
  VRN_CELL_BODY(*cell = VRNstandinTable::Cell(); cell->null = false; cell->type = VRNstandinTable::Double;
                cell->real = Value; return nullptr;);
}

VRNresult VRNtableSetInteger(VRNhandle Table, int64_t First, int64_t Second, int32_t Value) {
  VRN_STANDIN_ENTER(VRNtableSetInteger, VRNstandinPointer(Table), number(First), number(Second), number(Value));
  VRN_CELL_BODY(*cell = VRNstandinTable::Cell(); cell->null = false; cell->type = VRNstandinTable::Integer;
                cell->integer = Value; return nullptr;);
}

VRNresult VRNtableSetDateTime(VRNhandle Table, int64_t First, int64_t Second, int64_t Value) {
  VRN_STANDIN_ENTER(VRNtableSetDateTime, VRNstandinPointer(Table), number(First), number(Second), number(Value));
  VRN_CELL_BODY(*cell = VRNstandinTable::Cell(); cell->null = false; cell->type = VRNstandinTable::DateTime;
                cell->dateTime = Value; return nullptr;);
}

// The empty text makes the cell null, as an empty field reads.
VRNresult VRNtableSetStringA(VRNhandle Table, int64_t First, int64_t Second, const char* T) {
  VRN_STANDIN_ENTER(VRNtableSetStringA, VRNstandinPointer(Table), number(First), number(Second), VRNstandinText(T));
  VRN_CELL_BODY(if (!T) return VRNstandinFail("Null text"); *cell = VRNstandinTable::Cell();
                cell->type = VRNstandinTable::String; cell->text = T; cell->null = cell->text.empty();
                return nullptr;);
}

VRNresult VRNtableAddRow(VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNtableAddRow, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    table->addRow();
    return nullptr;
  });
}

VRNresult VRNtableDump(VRNhandle Table, char** Buffer) {
  VRN_STANDIN_ENTER(VRNtableDump, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    std::string text = table->dump();
    char* buffer = new char[text.size() + 1];
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    VRNstandinCountUp(VRNkindDump);
    {
      std::lock_guard<std::mutex> hold(dump_lock());
      dump_buffers().insert(buffer);
    }
    *Buffer = buffer;
    return nullptr;
  });
}

VRNresult VRNtableFreeBuffer(char** Buffer) {
  VRN_STANDIN_ENTER(VRNtableFreeBuffer, VRNstandinPointer(Buffer ? *Buffer : nullptr));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Buffer || !*Buffer) return VRNstandinFail("Null buffer freed");
    {
      std::lock_guard<std::mutex> hold(dump_lock());
      if (dump_buffers().erase(*Buffer) == 0) return VRNstandinFail("Not a dump buffer, or one given back already");
    }
    delete[] *Buffer;
    *Buffer = nullptr;
    VRNstandinCountDown(VRNkindDump);
    return nullptr;
  });
}

}  // extern "C"
