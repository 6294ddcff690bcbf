// The company database's schema: numbered migrations compiled into the program and
// applied in order, each recorded in t_SchemaVersion.
#pragma once

#include "database.h"

namespace hub {

class ProcedureRegistry;

// The schema version this program writes: the number of its newest migration.
int CurrentSchemaVersion();

// The version a database has reached; 0 for one that was never migrated.
int SchemaVersion(Database& db);

// Brings the database to CurrentSchemaVersion(): the migrations it lacks run in
// order inside one transaction, so a failure leaves it at the version it had. A
// database already up to date is left as it is. A database of a newer program is
// refused with HostError(err::Database) and not changed.
void Migrate(Database& db);

// Makes sure the operation-log view exists in its current form.
void EnsureLogView(Database& db);

// Registers the procedures the schema provides:
//   p_BASE_CreateLogView '<session>'  records that the session prepared the log
//                                     view and makes sure the view exists.
void RegisterSchemaProcedures(ProcedureRegistry& registry);

}  // namespace hub
