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

// The reader decodes the rows' texts into blocks of this size; a few batches in flight keep both threads
// busy without holding much memory.
constexpr std::size_t kBlockBytes = std::size_t(256) << 10;
constexpr std::size_t kBatchCells = std::size_t(16) << 10;
constexpr std::size_t kBatchesInFlight = 2;

struct Block {
    explicit Block(std::size_t size) : bytes(new char[size]), capacity(size) {}
    std::unique_ptr<char[]> bytes;
    std::size_t capacity;
};

// A run of what the reader handed over, in order, with the blocks its rows' texts lie in.
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
    std::vector<std::shared_ptr<const Block>> blocks;

    void clear()
    {
        events.clear();
        cells.clear();
        tables.clear();
        catalog.clear();
        blocks.clear();
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
// them and gives them back. Batches and blocks are used again, so that their memory stays warm; a block
// is free again when no batch and no reader holds it, which is told under the lock that the batches are
// given back under.
class Pipe final {
public:
    std::unique_ptr<Batch> emptyBatch()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || full_.size() < kBatchesInFlight; });
        if (cancelled_)
            throw Cancelled{};
        if (spareBatches_.empty())
            return std::make_unique<Batch>();
        std::unique_ptr<Batch> batch = std::move(spareBatches_.back());
        spareBatches_.pop_back();
        return batch;
    }

    std::shared_ptr<Block> block(std::size_t size)
    {
        if (size > kBlockBytes)
            return std::make_shared<Block>(size);  // for one very large row, let go after it
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const std::shared_ptr<Block>& block : blocks_)
            if (block.use_count() == 1)
                return block;
        blocks_.push_back(std::make_shared<Block>(kBlockBytes));
        return blocks_.back();
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
        const std::lock_guard<std::mutex> lock(mutex_);
        batch->clear();
        spareBatches_.push_back(std::move(batch));
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
    std::vector<std::unique_ptr<Batch>> spareBatches_;
    std::vector<std::shared_ptr<Block>> blocks_;
    bool finished_ = false;
    bool cancelled_ = false;
    std::exception_ptr error_;
};

// The sink of the reading thread: lends the reader the blocks it decodes texts into and puts the rows,
// which point into them, into batches.
class BatchingSink final : public RowSink, public TextBlocks {
public:
    explicit BatchingSink(Pipe& pipe) : pipe_(pipe) {}

    void catalog(const std::vector<std::string>& userTables) override
    {
        Batch& batch = current();
        batch.catalog = userTables;
        batch.events.push_back({Batch::Kind::Catalog, 0, 0});
    }

    void beginTable(std::string_view name, const std::vector<ReadColumn>& columns) override
    {
        Batch& batch = current();
        batch.tables.push_back({std::string(name), columns});
        batch.events.push_back({Batch::Kind::BeginTable, batch.tables.size() - 1, 0});
    }

    void row(const CellView* cells, int count) override
    {
        Batch& batch = current();
        if (block_ && (batch.blocks.empty() || batch.blocks.back() != block_))
            batch.blocks.push_back(block_);
        batch.events.push_back({Batch::Kind::Row, batch.cells.size(), count});
        batch.cells.insert(batch.cells.end(), cells, cells + count);
        if (batch.cells.size() >= kBatchCells)
            flush();
    }

    void endTable() override { current().events.push_back({Batch::Kind::EndTable, 0, 0}); }

    TextBlocks* textBlocks() override { return this; }

    char* nextBlock(const char* carried, std::size_t carriedSize, std::size_t size, std::size_t* capacity) override
    {
        // The block before stays held until this copy is made: no other row can be given it meanwhile.
        const std::shared_ptr<Block> before = std::move(block_);
        block_ = pipe_.block(size);
        if (carriedSize > 0)
            std::memcpy(block_->bytes.get(), carried, carriedSize);
        *capacity = block_->capacity;
        flush();  // a batch a block: the rows sent so far point into the blocks before
        return block_->bytes.get();
    }

    void flush()
    {
        if (batch_)
            pipe_.send(std::move(batch_));
    }

private:
    Batch& current()
    {
        if (!batch_)
            batch_ = pipe_.emptyBatch();
        return *batch_;
    }

    Pipe& pipe_;
    std::unique_ptr<Batch> batch_;
    std::shared_ptr<Block> block_;  // the one the reader decodes into
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
