#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/rowsink.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace volmira::reader {

namespace {

// A batch holds about this many bytes of texts; a few batches in flight keep both threads busy without
// holding much memory.
constexpr std::size_t kBatchBytes = std::size_t(256) << 10;
constexpr std::size_t kBatchesInFlight = 2;

// A run of what the reader handed over, in order. A row's cells point into the batch's bytes, which do
// not move while the batch lives.
struct Batch {
    enum class Kind { Catalog, BeginTable, Row, EndTable };
    struct Event {
        Kind kind;
        std::size_t first;  // the row's first cell, or the table's entry in tables
        int count;
    };
    struct Table {
        std::string name;
        std::vector<ReadColumn> columns;
    };

    std::vector<Event> events;
    std::vector<CellView> cells;
    std::vector<Table> tables;
    std::vector<std::string> catalog;
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;

    void clear()
    {
        events.clear();
        cells.clear();
        tables.clear();
        catalog.clear();
        used = 0;
    }

    void replay(RowSink& sink) const
    {
        for (const Event& event : events) {
            switch (event.kind) {
            case Kind::Catalog: sink.catalog(catalog); break;
            case Kind::BeginTable: sink.beginTable(tables[event.first].name, tables[event.first].columns); break;
            case Kind::Row: sink.row(cells.data() + event.first, event.count); break;
            case Kind::EndTable: sink.endTable(); break;
            }
        }
    }
};

// Raised in the reading thread when the caller's thread has given up.
struct Cancelled {};

// Between the two threads: the reading thread fills batches and queues them; the caller's thread replays
// them and gives them back for reuse, so that their memory stays warm.
class Pipe final {
public:
    std::unique_ptr<Batch> emptyBatch(std::size_t bytes)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || full_.size() < kBatchesInFlight; });
        if (cancelled_)
            throw Cancelled{};
        std::unique_ptr<Batch> batch;
        if (!spare_.empty() && spare_.back()->capacity >= bytes) {
            batch = std::move(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();
        if (!batch) {
            batch = std::make_unique<Batch>();
            batch->capacity = std::max(bytes, kBatchBytes);
            batch->bytes.reset(new char[batch->capacity]);
        }
        return batch;
    }

    void send(std::unique_ptr<Batch> batch)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            full_.push_back(std::move(batch));
        }
        changed_.notify_all();
    }

    void finish(std::exception_ptr error)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
            error_ = std::move(error);
        }
        changed_.notify_all();
    }

    // The next batch, or null when the reading has ended and everything it sent was taken.
    std::unique_ptr<Batch> receive()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return finished_ || !full_.empty(); });
        if (full_.empty())
            return nullptr;
        std::unique_ptr<Batch> batch = std::move(full_.front());
        full_.pop_front();
        lock.unlock();
        changed_.notify_all();
        return batch;
    }

    void giveBack(std::unique_ptr<Batch> batch)
    {
        batch->clear();
        const std::lock_guard<std::mutex> lock(mutex_);
        if (batch->capacity == kBatchBytes)  // one made for a very large row is let go
            spare_.push_back(std::move(batch));
    }

    void cancel()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
    }

    std::exception_ptr error()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return error_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Batch>> full_;
    std::vector<std::unique_ptr<Batch>> spare_;
    bool finished_ = false;
    bool cancelled_ = false;
    std::exception_ptr error_;
};

// The sink of the reading thread: copies what the reader hands over into batches.
class BatchingSink final : public RowSink {
public:
    explicit BatchingSink(Pipe& pipe) : pipe_(pipe) {}

    void catalog(const std::vector<std::string>& userTables) override
    {
        Batch& batch = room(0);
        batch.catalog = userTables;
        batch.events.push_back({Batch::Kind::Catalog, 0, 0});
    }

    void beginTable(std::string_view name, const std::vector<ReadColumn>& columns) override
    {
        Batch& batch = room(0);
        batch.tables.push_back({std::string(name), columns});
        batch.events.push_back({Batch::Kind::BeginTable, batch.tables.size() - 1, 0});
    }

    void row(const CellView* cells, int count) override
    {
        std::size_t bytes = 0;
        for (int i = 0; i < count; ++i)
            bytes += cells[i].text.size();
        Batch& batch = room(bytes);
        const std::size_t first = batch.cells.size();
        batch.cells.insert(batch.cells.end(), cells, cells + count);
        for (std::size_t i = first; i < batch.cells.size(); ++i) {
            CellView& cell = batch.cells[i];
            if (cell.text.empty())
                continue;
            char* copy = batch.bytes.get() + batch.used;
            std::memcpy(copy, cell.text.data(), cell.text.size());
            batch.used += cell.text.size();
            cell.text = std::string_view(copy, cell.text.size());
        }
        batch.events.push_back({Batch::Kind::Row, first, count});
    }

    void endTable() override
    {
        room(0).events.push_back({Batch::Kind::EndTable, 0, 0});
    }

    void flush()
    {
        if (batch_)
            pipe_.send(std::move(batch_));
    }

private:
    Batch& room(std::size_t bytes)
    {
        if (batch_ && batch_->used + bytes > batch_->capacity)
            flush();
        if (!batch_)
            batch_ = pipe_.emptyBatch(bytes);
        return *batch_;
    }

    Pipe& pipe_;
    std::unique_ptr<Batch> batch_;
};

}  // namespace

void readDictionaryAlongside(const std::string& path, const std::vector<std::string>& wantedTables, RowSink& sink)
{
    Pipe pipe;
    std::thread reading;
    try {
        reading = std::thread([&pipe, &path, &wantedTables] {
            try {
                BatchingSink batching(pipe);
                readDictionary(path, wantedTables, batching);
                batching.flush();
                pipe.finish(nullptr);
            } catch (const Cancelled&) {
                pipe.finish(nullptr);
            } catch (...) {
                pipe.finish(std::current_exception());
            }
        });
    } catch (const std::system_error&) {
        readDictionary(path, wantedTables, sink);  // no thread to be had: read in this one
        return;
    }
    try {
        while (std::unique_ptr<Batch> batch = pipe.receive()) {
            batch->replay(sink);
            pipe.giveBack(std::move(batch));
        }
    } catch (...) {
        pipe.cancel();
        reading.join();
        throw;
    }
    reading.join();
    if (const std::exception_ptr error = pipe.error())
        std::rethrow_exception(error);
}

}  // namespace volmira::reader
