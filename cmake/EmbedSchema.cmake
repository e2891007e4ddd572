# Writes OUT: a function NAMESPACE::registerMigrations() that registers the
# migrations in FILES (NNN_name.sql) with the data layer.
set(body "")
foreach(f ${FILES})
  get_filename_component(base ${f} NAME)
  string(REGEX MATCH "^[0-9]+" num ${base})
  math(EXPR num "${num} + 0")
  file(READ ${f} sql)
  string(APPEND body "        {${num}, \"${base}\", R\"__ORU_SQL__(${sql})__ORU_SQL__\"},\n")
endforeach()
file(WRITE ${OUT}.tmp "// Generated from schema/*.sql; do not edit.\n#include \"platform/db/db.h\"\n\nnamespace ${NAMESPACE} {\nvoid registerMigrations()\n{\n    db::registerMigrations({\n${body}    });\n}\n} // namespace ${NAMESPACE}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
