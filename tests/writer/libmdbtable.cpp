#include "libmdbtable.h"

// mdbtools.h wraps <glib.h> in extern "C"; it must come first.
#include <glib.h>
#include <mdbtools.h>

#include <QStringDecoder>

#include <memory>

namespace {

struct Handle {
    MdbHandle* mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

bool open(const QString& path, Handle& handle, QString* error)
{
    handle.mdb = mdb_open(path.toLocal8Bit().constData(), MDB_NOFLAGS);
    if (!handle.mdb || !mdb_read_catalog(handle.mdb, MDB_TABLE)) {
        *error = QStringLiteral("libmdb cannot open %1").arg(path);
        return false;
    }
    return true;
}

}  // namespace

bool libmdbTableNames(const QString& path, QStringList* names, QString* error)
{
    Handle handle;
    if (!open(path, handle, error))
        return false;
    for (guint i = 0; i < handle.mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(handle.mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            names->append(QString::fromUtf8(entry->object_name));
    }
    return true;
}

bool readLibmdbTable(const QString& path, const QString& tableName, LibmdbTable* out, QString* error, int bindSize)
{
    Handle handle;
    if (!open(path, handle, error))
        return false;
    mdb_set_bind_size(handle.mdb, size_t(bindSize));
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(handle.mdb, tableName.toUtf8().constData());
    MdbTableDef* table = entry ? mdb_read_table(entry) : nullptr;
    if (!table) {
        *error = QStringLiteral("libmdb finds no table %1").arg(tableName);
        return false;
    }
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const int columns = int(table->num_cols);
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths(std::size_t(columns), 0);
    for (int i = 0; i < columns; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        out->columnNames << QString::fromUtf8(column->name);
        out->columnTypes.push_back(column->col_type);
        buffers.emplace_back(new char[std::size_t(bindSize) + 1]());
        mdb_bind_column(table, i + 1, buffers.back().get(), &lengths[std::size_t(i)]);
    }
    out->declaredRows = qint64(table->num_rows);
    std::vector<MdbField> fields(static_cast<std::size_t>(columns));
    while (mdb_fetch_row(table)) {
        int start = 0;
        size_t size = 0;
        mdb_find_row(handle.mdb, int(table->cur_row) - 1, &start, &size);
        const int cracked = mdb_crack_row(table, start & 0x1FFF, size, fields.data());
        std::vector<LibmdbField> row(static_cast<std::size_t>(columns));
        for (int k = 0; k < cracked && k < columns; ++k) {
            const MdbField& field = fields[std::size_t(k)];
            LibmdbField& value = row[std::size_t(field.colnum)];
            value.isNull = field.is_null;
            if (field.is_fixed && !field.is_null && field.value && field.siz > 0)
                value.raw = QByteArray(static_cast<const char*>(field.value), field.siz);
        }
        // QString::fromUtf8 would drop a leading U+FEFF, which is part of the value.
        for (int i = 0; i < columns; ++i) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            row[std::size_t(i)].text = decoder(QByteArrayView(buffers[std::size_t(i)].get(), lengths[std::size_t(i)]));
        }
        out->rows.push_back(std::move(row));
    }
    mdb_free_tabledef(table);
    return true;
}
