// The small enumerations of the dataset layer's components: what kind of
// database a component opens, how its tables flush, what the engine reports
// about the database, how a table is opened, how a filter is evaluated, and where a dataset stands when
// it stands on no record. The dataset layer's own enumeration of column data
// types is TVxbDataType (field_types.h).
#pragma once

namespace vexilo::dataset {

// A database is a directory of table files or one single database file.
enum class TVxbDatabaseType { dbtDirectory, dbtSingleFile };

// tfmSecure asks the engine to flush deeply after every change; tfmDefault
// takes the database's mode (for a table) or the engine's (for a database).
enum class TVxbFlushMode { tfmDefault, tfmSecure, tfmFast };

// Whether the database keeps its own table list (managed) or is a plain
// directory of tables.
enum class TVxbManagementLevel { tmlUnmanaged, tmlManaged };

// The isolation level of a session's transaction; tilNone outside one.
enum class TVxbTransIsolation { tilNone, tilDirtyRead, tilReadCommited, tilRepeatableRead };

// tomForce opens a table despite damage its setup reports.
enum class TVxbTableOpenMode { tomDefault, tomForce };

// How a dataset's filter is evaluated: every method but tfeIncremental
// evaluates the condition once when it is set and browses the list of
// matching records; tfeIncremental tests each record as the cursor moves.
enum class TVxbFilterMethod { tfeDefault, tfeAuto, tfeStatic, tfeIncremental };

// Whether a dataset stands on a record, before the first or after the last.
enum class TOutOfTableState { ootNone, ootBOT, ootEOT };

}  // namespace vexilo::dataset
