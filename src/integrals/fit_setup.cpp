#include "integrals/fit_setup.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "integrals/coulomb_blocks.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

// Largest (mu nu|mu nu) over the functions of shell sb of atom b and sa of atom a.
double shell_pair_diagonal(const AtomFunctions& b, int sb, const AtomFunctions& a, int sa, double x_max) {
  const int lb = b.shell_l[sb], la = a.shell_l[sa];
  const int nij = shell_size(lb) * shell_size(la), nh = hermite_count(lb + la);
  int np = 0;
  for (int eb = 0; eb < b.nexp; ++eb)
    for (int ea = 0; ea < a.nexp; ++ea)
      if (b.coefficients[eb * b.nshell + sb] != 0.0 && a.coefficients[ea * a.nshell + sa] != 0.0) ++np;
  PoolArray<GaussianPair> pairs(np);
  PoolArray<double> coef(np), eh(static_cast<long>(np) * nij * nh), tab(static_cast<long>(nh) * nh), diag(nij);
  static HermiteTables e;
  static HermiteIntegrals r;
  int k = 0;
  for (int eb = 0; eb < b.nexp; ++eb)
    for (int ea = 0; ea < a.nexp; ++ea) {
      const double c = b.coefficients[eb * b.nshell + sb] * a.coefficients[ea * a.nshell + sa];
      if (c == 0.0) continue;
      const GaussianPair g = gaussian_pair(a.exponents[ea], a.centre, b.exponents[eb], b.centre);
      if (g.exponent > x_max) continue;
      pairs[k] = g;
      coef[k] = c * g.gaussian;
      hermite_tables(g, lb, la, e);
      pair_hermite(e, lb, la, eh.data() + static_cast<long>(k) * nij * nh);
      ++k;
    }
  for (int i = 0; i < nij; ++i) diag[i] = 0.0;
  for (int p = 0; p < k; ++p)
    for (int q = 0; q < k; ++q) {
      interaction_integrals(Interaction::coulomb, pairs[p].p, pairs[p].P, pairs[q].p, pairs[q].P,
                            coef[p] * coef[q], 2 * (lb + la), r);
      interaction_table(r, lb + la, lb + la, -1, tab.data());
      for (int i = 0; i < nij; ++i) {
        const double* x = eh.data() + (static_cast<long>(p) * nij + i) * nh;
        const double* y = eh.data() + (static_cast<long>(q) * nij + i) * nh;
        double s = 0.0;
        for (int h1 = 0; h1 < nh; ++h1) {
          if (x[h1] == 0.0) continue;
          double t = 0.0;
          for (int h2 = 0; h2 < nh; ++h2) t += tab[static_cast<long>(h1) * nh + h2] * y[h2];
          s += x[h1] * t;
        }
        diag[i] += s;
      }
    }
  double largest = 0.0;
  for (int i = 0; i < nij; ++i) largest = std::max(largest, diag[i]);
  return largest;
}

double same_group_cost(int natom, const double* x, const int* group, int i, int g, int skip) {
  double c = 0.0;
  for (int k = 0; k < natom; ++k) {
    if (k == i || k == skip || group[k] != g) continue;
    const double dx = x[3 * i] - x[3 * k], dy = x[3 * i + 1] - x[3 * k + 1], dz = x[3 * i + 2] - x[3 * k + 2];
    c -= 1.0 / std::max(std::sqrt(dx * dx + dy * dy + dz * dz), 1e-10);
  }
  return c;
}

void write_ints(const char* name, const int* v, std::int64_t n) {
  if (name) record_save(Record<int>{name}, v, n);
}

}  // namespace

void shell_pair_estimates(const AtomSet& set, double epsilon, double* estimates) {
  const double x_max = epsilon > 0.0 ? std::log(1.0 / (epsilon * epsilon)) : 50.0;
  int nshell = 0;
  for (int i = 0; i < set.natom; ++i) nshell += set.atoms[i].nshell;
  const std::int64_t npair = static_cast<std::int64_t>(nshell) * (nshell + 1) / 2;
  for (std::int64_t p = 0; p < npair; ++p) estimates[p] = 0.0;
  std::int64_t counter = 0;
  int si = 0;
  for (int ia = 0; ia < set.natom; ++ia)
    for (int sa = 0; sa < set.atoms[ia].nshell; ++sa, ++si) {
      int sj = 0;
      for (int ib = 0; ib <= ia; ++ib)
        for (int sb = 0; sb < set.atoms[ib].nshell && sj <= si; ++sb, ++sj, ++counter) {
          if (counter % node_count != node_id) continue;
          const double d = shell_pair_diagonal(set.atoms[ib], sb, set.atoms[ia], sa, x_max);
          estimates[static_cast<std::int64_t>(si) * (si + 1) / 2 + sj] = std::sqrt(std::max(d, 0.0));
        }
    }
  mp_sum(estimates, npair, MP_DOUBLE);
}

void group_atoms(int natom, const double* coordinates, int ngroups, int* group) {
  for (int i = 0; i < natom; ++i) group[i] = i % ngroups;
  if (ngroups <= 1) return;
  for (int pass = 0; pass < 128; ++pass) {
    bool swapped = false;
    for (int i = 0; i < natom; ++i)
      for (int j = i + 1; j < natom; ++j) {
        const int gi = group[i], gj = group[j];
        if (gi == gj) continue;
        const double before = same_group_cost(natom, coordinates, group, i, gi, j) +
                              same_group_cost(natom, coordinates, group, j, gj, i);
        const double after = same_group_cost(natom, coordinates, group, i, gj, j) +
                             same_group_cost(natom, coordinates, group, j, gi, i);
        if (after < before - 1e-10) {
          group[i] = gj;
          group[j] = gi;
          swapped = true;
        }
      }
    if (!swapped) break;
  }
}

void balance_groups(int natom, const double* coordinates, const double* work, int ngroups, int* group) {
  if (ngroups <= 1) return;
  PoolArray<double> load(ngroups);
  for (int g = 0; g < ngroups; ++g) load[g] = 0.0;
  for (int i = 0; i < natom; ++i) load[group[i]] += work[i];
  for (int move = 0; move < natom; ++move) {
    int busy = 0, idle = 0;
    for (int g = 1; g < ngroups; ++g) {
      if (load[g] > load[busy]) busy = g;
      if (load[g] < load[idle]) idle = g;
    }
    // The move that leaves the lower larger load; among equals the atom nearest the idle
    // group (distances are summed only when there is a tie).
    int best = -1;
    double best_load = load[busy], best_cost = 1.0;  // 1: not yet summed (costs are <= 0)
    for (int i = 0; i < natom; ++i) {
      if (group[i] != busy) continue;
      const double after = std::max(load[busy] - work[i], load[idle] + work[i]);
      if (after >= load[busy] || (best >= 0 && after > best_load)) continue;
      double cost = 1.0;
      if (best >= 0 && after == best_load) {
        if (best_cost > 0.0) best_cost = same_group_cost(natom, coordinates, group, best, idle, -1);
        cost = same_group_cost(natom, coordinates, group, i, idle, -1);
        if (cost >= best_cost) continue;
      }
      best = i;
      best_load = after;
      best_cost = cost;
    }
    if (best >= 0) {
      load[busy] -= work[best];
      load[idle] += work[best];
      group[best] = idle;
      continue;
    }
    // No single move helps: the best swap of a busier atom for a lighter one, if any.
    int bi = -1, bj = -1;
    for (int i = 0; i < natom; ++i) {
      if (group[i] != busy) continue;
      for (int j = 0; j < natom; ++j) {
        if (group[j] != idle || work[j] >= work[i]) continue;
        const double shift = work[i] - work[j];
        const double after = std::max(load[busy] - shift, load[idle] + shift);
        if (after < best_load) {
          best_load = after;
          bi = i;
          bj = j;
        }
      }
    }
    if (bi < 0) break;
    const double shift = work[bi] - work[bj];
    load[busy] -= shift;
    load[idle] += shift;
    group[bi] = idle;
    group[bj] = busy;
  }
}

int group_members(int natom, const int* groups, int group, int* own) {
  int n = 0;
  for (int i = 0; i < natom; ++i)
    if (groups[i] == group) own[n++] = i;
  return n;
}

void fit_setup(const AtomSet& orb, const AtomSet& aux, const double* coordinates, double epsilon,
               bool two_centre_fit, const FitSetupRecords& records, int* groups, int* lists) {
  const int natom = orb.natom;
  const int m = aux.first_function[aux.natom];
  int nshell = 0;
  for (int i = 0; i < natom; ++i) nshell += orb.atoms[i].nshell;
  const std::int64_t npair = static_cast<std::int64_t>(nshell) * (nshell + 1) / 2;
  timer("integral estimates", '-');
  PoolArray<double> estimates(npair);
  shell_pair_estimates(orb, epsilon, estimates.data());
  timer("integral estimates", '+');

  PoolArray<std::int64_t> counts(2L * node_count + 2);  // per node, then the total
  if (is_master) {
    // Per atom: its surviving shell-pair blocks and integrals over every ordered pair (the
    // total gives the sparsity), and over the pairs its node computes, those with the
    // partner not after it (the work that the groups share out).
    PoolArray<std::int64_t> atom_counts(4L * natom);
    PoolArray<double> work(natom);
    PoolArray<int> first_shell(natom + 1);
    first_shell[0] = 0;
    for (int i = 0; i < natom; ++i) first_shell[i + 1] = first_shell[i] + orb.atoms[i].nshell;
    for (int ia = 0; ia < natom; ++ia) {
      int len = 0;
      std::int64_t* own = atom_counts.data() + 4 * ia;
      own[0] = own[1] = own[2] = own[3] = 0;
      for (int ib = 0; ib < natom; ++ib) {
        bool survives = false;
        for (int sa = 0; sa < orb.atoms[ia].nshell; ++sa)
          for (int sb = 0; sb < orb.atoms[ib].nshell; ++sb) {
            const std::int64_t i = first_shell[ia] + sa, j = first_shell[ib] + sb;
            const double est = estimates[i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i];
            if (est < epsilon) continue;
            survives = true;
            // every ordered shell pair, so a dense molecule has sparsity 1
            const std::int64_t size =
                static_cast<std::int64_t>(shell_size(orb.atoms[ia].shell_l[sa])) * shell_size(orb.atoms[ib].shell_l[sb]) * m;
            own[0] += 1;
            own[1] += size;
            if (ib <= ia) {
              own[2] += 1;
              own[3] += size;
            }
          }
        if (survives) lists[static_cast<std::int64_t>(ia) * natom + len++] = ib;
      }
      if (len < natom) lists[static_cast<std::int64_t>(ia) * natom + len] = -1;
    }
    for (int ia = 0; ia < natom; ++ia) work[ia] = static_cast<double>(atom_counts[4 * ia + 3]);
    group_atoms(natom, coordinates, node_count, groups);
    balance_groups(natom, coordinates, work.data(), node_count, groups);
    for (std::int64_t x = 0; x < 2L * node_count + 2; ++x) counts[x] = 0;
    for (int ia = 0; ia < natom; ++ia) {
      counts[2 * groups[ia]] += atom_counts[4 * ia + 2];
      counts[2 * groups[ia] + 1] += atom_counts[4 * ia + 3];
      counts[2L * node_count] += atom_counts[4 * ia];
      counts[2L * node_count + 1] += atom_counts[4 * ia + 1];
    }
  }
  mp_bcast(groups, natom, MP_INT);
  mp_bcast(lists, static_cast<std::int64_t>(natom) * natom, MP_INT);
  mp_bcast(counts.data(), counts.size(), MP_INT64);
  if (is_master) {
    if (records.estimates) {
      record_save(Record<double>{records.estimates}, estimates.data(), npair);
    }
    write_ints(records.groups, groups, natom);
    write_ints(records.pair_lists, lists, static_cast<std::int64_t>(natom) * natom);
    for (int k = 0; k < node_count && node_count > 1; ++k)
      std::printf(" %11lld blocks, %12lld integrals on node %2d\n", static_cast<long long>(counts[2 * k]),
                  static_cast<long long>(counts[2 * k + 1]), k);
    const std::int64_t blocks = counts[2L * node_count], integrals = counts[2L * node_count + 1];
    const double n = orb.first_function[natom];
    std::printf(" %11lld blocks, %12lld integrals total\n", static_cast<long long>(blocks),
                static_cast<long long>(integrals));
    std::printf(" sparsity=%3.1lf\n", integrals > 0 ? n * n * m / static_cast<double>(integrals) : 0.0);
  }
  if (!two_centre_fit) return;

  timer("Two-Center Fit", '-');
  PoolArray<int> own(natom);
  const int nown = group_members(natom, groups, node_id, own.data());
  std::int64_t size = 0;
  for (int x = 0; x < nown; ++x) {
    const int a = own[x];
    for (int y = 0; y < natom && lists[static_cast<std::int64_t>(a) * natom + y] >= 0; ++y) {
      const int b = lists[static_cast<std::int64_t>(a) * natom + y];
      const int nk = aux.atoms[b].nfunc + (b != a ? aux.atoms[a].nfunc : 0);
      size += static_cast<std::int64_t>(nk) * orb.atoms[a].nfunc * orb.atoms[b].nfunc;
    }
  }
  if (records.fit_header) {
    // atoms, own atoms, first functions of both bases, own atom list, pair lists
    const std::int64_t nint = 2 + 2L * (natom + 1) + nown + static_cast<std::int64_t>(natom) * natom;
    PoolArray<int> header(nint);
    header[0] = natom;
    header[1] = nown;
    for (int i = 0; i <= natom; ++i) {
      header[2 + i] = orb.first_function[i];
      header[3 + natom + i] = aux.first_function[i];
    }
    for (int x = 0; x < nown; ++x) header[4 + 2 * natom + x] = own[x];
    for (std::int64_t x = 0; x < static_cast<std::int64_t>(natom) * natom; ++x) header[4 + 2 * natom + nown + x] = lists[x];
    write_ints(records.fit_header, header.data(), nint);
  }
  if (records.fit_blocks) {
    const Record<double> fit_blocks{records.fit_blocks};
    record_ensure(fit_blocks, size);
    int largest = 0, largest_fit = 0;
    for (int i = 0; i < natom; ++i) {
      largest = std::max(largest, orb.atoms[i].nfunc);
      largest_fit = std::max(largest_fit, aux.atoms[i].nfunc);
    }
    PoolArray<double> block(2L * largest_fit * largest * largest);
    const double x_max = std::log(1000.0 / epsilon);  // cut-off epsilon / 1000
    std::int64_t offset = 0;
    for (int x = 0; x < nown; ++x) {
      const int a = own[x];
      const AtomFunctions& fa = orb.atoms[a];
      for (int y = 0; y < natom && lists[static_cast<std::int64_t>(a) * natom + y] >= 0; ++y) {
        const int b = lists[static_cast<std::int64_t>(a) * natom + y];
        const AtomFunctions& fb = orb.atoms[b];
        const std::int64_t nab = static_cast<std::int64_t>(fa.nfunc) * fb.nfunc;
        const int nk = aux.atoms[b].nfunc + (b != a ? aux.atoms[a].nfunc : 0);
        for (std::int64_t z = 0; z < nk * nab; ++z) block[z] = 0.0;
        // (mu_A nu_B | k), k on B first, then on A
        three_centre_block(Interaction::coulomb, fa, fb, aux.atoms[b], x_max, block.data());
        if (b != a)
          three_centre_block(Interaction::coulomb, fa, fb, aux.atoms[a], x_max,
                             block.data() + aux.atoms[b].nfunc * nab);
        record_write(fit_blocks, block.data(), nk * nab, offset);
        offset += nk * nab;
      }
    }
  }
  timer("Two-Center Fit", '+');
}

}  // namespace ostrel
