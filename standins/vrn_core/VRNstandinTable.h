// The message table of the vrn_core stand-in: a named grid of typed columns and rows whose
// cells are null or hold a string, an integer, a double, a date-time or a sub-table. A
// parsed message is a table of one table column, one row per segment; a segment's table
// has one column per field and one row per repeat; a field repeat with several components
// is a sub-table of one row, one column per component. A cell is addressed (column, row).
#pragma once

#include "COL/COLrefCounted.h"
#include "standins/vrn_core/VRNstandinCore.h"
#include "standins/vrn_core/VRNstandinHl7.h"

#include <cstdint>
#include <string>
#include <vector>

class VRNstandinTable;

// Holds one reference to a table.
class VRNstandinTableRef {
public:
  VRNstandinTableRef() = default;
  explicit VRNstandinTableRef(VRNstandinTable* table);
  VRNstandinTableRef(const VRNstandinTableRef& other);
  VRNstandinTableRef& operator=(const VRNstandinTableRef& other);
  ~VRNstandinTableRef();
  VRNstandinTable* get() const { return m_Table; }

private:
  VRNstandinTable* m_Table = nullptr;
};

class VRNstandinTable : public COLrefCounted {
public:
  enum Type : int32_t { String = 0, Integer = 1, Double = 2, DateTime = 3, Table = 4 };
  struct Cell {
    bool null = true;
    Type type = String;
    std::string text;
    int32_t integer = 0;
    double real = 0;
    int64_t dateTime = 0;
    VRNstandinTableRef table;
  };
  struct Column {
    std::string name;
    Type type;
  };

  // A table of its own (owner null), or a sub-table that lives while its owner does.
  explicit VRNstandinTable(const std::string& name = std::string(), VRNstandinTable* owner = nullptr);
  ~VRNstandinTable() override;
  // The table whose references keep this one alive: itself, or a sub-table's top table.
  VRNstandinTable* owner() { return m_Owner; }

  const std::string& name() const { return m_Name; }
  int64_t columnCount() const { return int64_t(m_Columns.size()); }
  int64_t rowCount() const { return int64_t(m_Rows.size()); }
  const Column* column(int64_t column) const;
  int64_t columnIndex(const std::string& name) const;  // -1 when absent
  int64_t subTableCount() const;
  Cell* cell(int64_t column, int64_t row);  // null outside the grid
  void addRow();

  void clear(const std::string& name);
  int64_t addColumn(const std::string& name, Type type);

  void fromMessage(const VRNhl7Message& message, const std::string& name);
  bool toMessage(VRNhl7Message& message, std::string& error) const;
  // An empty message table named for a message, one empty segment table per segment id.
  void shape(const std::string& name, const std::vector<std::string>& segments);

  std::string dump() const;

private:
  void dump(std::string& out, int depth) const;
  VRNstandinTable* m_Owner;
  std::string m_Name;
  std::vector<Column> m_Columns;
  std::vector<std::vector<Cell>> m_Rows;  // m_Rows[row][column]
  VRNstandinCounted m_Counted{VRNkindTable};
};

// One call's hold on the table a handle names, checked as engines are: a handle that names
// no live table (released, or never made) leaves it empty, and the call takes the error
// road. A sub-table shares its parent's ownership, so the hold is on its top table: a
// release on another thread can free neither the table nor the sub-table under a call.
class VRNstandinHeldTable {
public:
  explicit VRNstandinHeldTable(VRNhandle handle);
  ~VRNstandinHeldTable();
  VRNstandinHeldTable(const VRNstandinHeldTable&) = delete;
  VRNstandinHeldTable& operator=(const VRNstandinHeldTable&) = delete;
  explicit operator bool() const { return m_Table != nullptr; }
  VRNstandinTable* operator->() const { return m_Table; }
  VRNstandinTable* get() const { return m_Table; }

private:
  VRNstandinTable* m_Table;
};

// The failure for a handle that VRNstandinHeldTable found empty.
VRNresult VRNstandinTableRefused(VRNhandle handle);
