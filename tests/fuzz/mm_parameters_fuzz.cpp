// The force-field parameter reader on the input file, then the writer on whatever it accepted.
#include "fuzz_session.hpp"
#include "models/mm/mm_parameter_reader.hpp"
#include "models/mm/mm_parameter_writer.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace {

void read(std::FILE*) {
  ostrel::read_mm_parameters("", "mmdata");
  ostrel::PoolArray<ostrel::MmParameters> p(1);
  ostrel::record_read(ostrel::rec::mmdata, p.data(), 1);
  ostrel::write_mm_parameters(p[0]);
}

}  // namespace

OSTREL_FUZZ_ENTRY(run_on_stdin, read)
