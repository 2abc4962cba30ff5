#pragma once

// Flattens a dynamic type into its column list: one column per container node and per value,
// depth first in declaration order (a container's node before what it holds; a union's
// discriminator before its members). Sequences are flattened once, as a template whose
// element path carries the placeholder "[i]".

#include "dissection/Column.h"
#include "dissection/FlatteningOptions.h"

namespace Quorvel {

class DynamicTypeDissector {
 public:
  // Appends the columns of `type` (the top-level node first, named after nothing) to
  // `columns`. Returns 1.
  static int DissectDynamicType(const xtypes::DynamicTypePtr& type, ColumnList& columns,
                                const FlatteningOptions& options);

  // Appends the columns of `type` placed at `column` (which is itself never appended).
  static void DissectDynamicTypeRecursive(const xtypes::DynamicTypePtr& type, Column column,
                                          ColumnList& columns, const FlatteningOptions& options);

 private:
  static void Append(const Column& column, ColumnList& columns);
  static void DissectArray(const xtypes::DynamicType& array, Column& column, ColumnList& columns,
                           const FlatteningOptions& options);
  static void DissectSequence(const xtypes::DynamicType& sequence, Column& column,
                              ColumnList& columns, const FlatteningOptions& options);
  static void DissectUnion(const xtypes::DynamicType& unionType, Column& column,
                           ColumnList& columns, const FlatteningOptions& options);
  static void DissectStructure(const xtypes::DynamicType& structure, Column& column,
                               ColumnList& columns, const FlatteningOptions& options);
};

}  // namespace Quorvel
