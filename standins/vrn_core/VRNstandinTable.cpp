// The stand-in's message table and its exported table functions.
#include "standins/vrn_core/VRNstandinTable.h"

#include <cstring>

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

VRNstandinTable::VRNstandinTable(const std::string& name) : m_Name(name) {}

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

VRNstandinTable* new_sub_table(VRNstandinTable::Cell& cell, const std::string& name) {
  VRNstandinTable* sub = new VRNstandinTable(name);
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
    VRNstandinTable* seg = new_sub_table(*cell(0, rowCount() - 1), segment.id);
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
        VRNstandinTable* components = new_sub_table(target, seg->m_Columns[f].name);
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
    new_sub_table(*cell(0, rowCount() - 1), id);
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
VRNstandinTable* as_table(VRNhandle handle) { return static_cast<VRNstandinTable*>(static_cast<COLrefCounted*>(handle)); }
}

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
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Table) return VRNstandinFail("Null table");
    as_table(Table)->add_ref();
    return nullptr;
  });
}

VRNresult VRNtableRelease(VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNtableRelease, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Table) return VRNstandinFail("Null table");
    as_table(Table)->release();
    return nullptr;
  });
}

VRNresult VRNtableName(VRNhandle Table, const char** Name) {
  VRN_STANDIN_ENTER(VRNtableName, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Table) return VRNstandinFail("Null table");
    *Name = as_table(Table)->name().c_str();
    return nullptr;
  });
}

VRNresult VRNtableCountOfRow(VRNhandle Table, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNtableCountOfRow, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Table) return VRNstandinFail("Null table");
    *Count = as_table(Table)->rowCount();
    return nullptr;
  });
}

VRNresult VRNtableDump(VRNhandle Table, char** Buffer) {
  VRN_STANDIN_ENTER(VRNtableDump, VRNstandinPointer(Table));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Table) return VRNstandinFail("Null table");
    std::string text = as_table(Table)->dump();
    char* buffer = new char[text.size() + 1];
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    VRNstandinCountUp(VRNkindMultiByte);
    *Buffer = buffer;
    return nullptr;
  });
}

VRNresult VRNtableFreeBuffer(char** Buffer) {
  VRN_STANDIN_ENTER(VRNtableFreeBuffer, VRNstandinPointer(Buffer ? *Buffer : nullptr));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Buffer || !*Buffer) return VRNstandinFail("Null buffer freed");
    delete[] *Buffer;
    *Buffer = nullptr;
    VRNstandinCountDown(VRNkindMultiByte);
    return nullptr;
  });
}

}  // extern "C"
