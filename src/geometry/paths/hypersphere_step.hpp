#pragma once
// One constrained optimisation step of the intrinsic reaction coordinate: the energy is
// minimised on the hypersphere about the pivot point, in mass-weighted coordinates
// (Gonzalez and Schlegel, J. Chem. Phys. 90, 2154 (1989)).

namespace ostrel {

struct SphereStep {
  double g_radial;      // gradient along the radius
  double g_tangent;     // length of the gradient within the sphere
  double length;        // length of the step
  double largest;       // largest step component
};

// Mass-weighted external motions (3 translations, 2 or 3 rotations about the centre of
// mass) of the mass-weighted geometry y: orthonormal vectors in t (room for 6 x m); returns
// their number.
int mass_weighted_external_motions(int n_atoms, const double* root, const double* y, double* t);

// The step on the sphere of radius |v| about the pivot (v = point - pivot) for the
// mass-weighted packed Hessian h (destroyed) and gradient g within the trust radius, with
// the external motions t (nt vectors) held out: the tangential modes are the eigenvectors of
// the Hessian projected on the sphere's tangent space, their curvatures shifted by the
// multiplier -g_r/|v| that keeps the point on the sphere; the radial part of the step puts
// the point back on the sphere. Prints one line per mode (the radial one last).
SphereStep hypersphere_step(int m, double* h, const double* g, const double* v, int nt, const double* t,
                            double trust, double* step);

}  // namespace ostrel
