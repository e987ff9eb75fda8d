// pose_math.h: the little geometry the pose engine needs: vectors, unit quaternions (x, y, z, w, as a
// motion key stores them) and rigid transforms (a rotation, then a translation), in double precision.
//
// Conventions: pose_qmul(a, b) turns by b first, then by a (so a parent's rotation stands on the left);
// a transform x maps a point v to x.p + x.q v; pose_xmul(a, b) is a applied after b.
#pragma once
#include <cmath>

struct PoseVec {
  double x, y, z;
};
struct PoseQuat {
  double x, y, z, w;
};
// A rigid transform: rotation q, then translation p.
struct PoseXf {
  PoseVec p;
  PoseQuat q;
};

constexpr double POSE_PI = 3.14159265358979323846;
constexpr double POSE_DEGREES = 180.0 / POSE_PI;

inline PoseVec pose_vadd(PoseVec a, PoseVec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline PoseVec pose_vsub(PoseVec a, PoseVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline PoseVec pose_vscale(PoseVec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double pose_vdot(PoseVec a, PoseVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double pose_vlen(PoseVec a) { return std::sqrt(pose_vdot(a, a)); }

inline PoseQuat pose_qidentity() { return {0.0, 0.0, 0.0, 1.0}; }
inline PoseQuat pose_qconj(PoseQuat q) { return {-q.x, -q.y, -q.z, q.w}; }
inline double pose_qdot(PoseQuat a, PoseQuat b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }
inline PoseQuat pose_qneg(PoseQuat q) { return {-q.x, -q.y, -q.z, -q.w}; }

inline PoseQuat pose_qmul(PoseQuat a, PoseQuat b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

// v turned by the unit quaternion q.
inline PoseVec pose_qrot(PoseQuat q, PoseVec v) {
  // t = 2 (q.xyz x v); v' = v + w t + q.xyz x t
  double tx = 2.0 * (q.y * v.z - q.z * v.y), ty = 2.0 * (q.z * v.x - q.x * v.z), tz = 2.0 * (q.x * v.y - q.y * v.x);
  return {v.x + q.w * tx + (q.y * tz - q.z * ty), v.y + q.w * ty + (q.z * tx - q.x * tz),
          v.z + q.w * tz + (q.x * ty - q.y * tx)};
}

// q scaled to length 1; false (q untouched) when its length is 0 or not a number.
inline bool pose_qnormalize(PoseQuat* q) {
  double n = std::sqrt(pose_qdot(*q, *q));
  if (!(n > 1e-12) || !std::isfinite(n)) return false;
  *q = {q->x / n, q->y / n, q->z / n, q->w / n};
  return true;
}

// The angle (radians, 0 to pi) a unit quaternion turns by.
inline double pose_qangle(PoseQuat q) {
  double v = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
  return 2.0 * std::atan2(v, std::fabs(q.w));
}

// The angle (radians) between two rotations.
inline double pose_qbetween(PoseQuat a, PoseQuat b) { return pose_qangle(pose_qmul(pose_qconj(a), b)); }

// ka a + kb b, scaled to length 1: the last part of a slerp (b on a's side of the sphere).
inline PoseQuat pose_slerp_mix(PoseQuat a, PoseQuat b, double ka, double kb) {
  PoseQuat r = {ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z, ka * a.w + kb * b.w};
  pose_qnormalize(&r);
  return r;
}

// From a to b by t (0 to 1) along the shorter arc.
inline PoseQuat pose_slerp(PoseQuat a, PoseQuat b, double t) {
  double d = pose_qdot(a, b);
  if (d < 0.0) {
    b = pose_qneg(b);
    d = -d;
  }
  double ka, kb;
  // At either end the weights are 1 and 0 (the sines below give exactly that): no sine is needed there.
  if (t == 0.0 || t == 1.0) {
    ka = 1.0 - t;
    kb = t;
  } else if (d > 0.9999995) {
    ka = 1.0 - t;
    kb = t;
  } else {
    double angle = std::acos(d < 1.0 ? d : 1.0), s = std::sin(angle);
    ka = std::sin((1.0 - t) * angle) / s;
    kb = std::sin(t * angle) / s;
  }
  return pose_slerp_mix(a, b, ka, kb);
}

// q to the power w: the same axis, w times the angle, taken along the shorter arc (for 0 <= w <= 1 this
// is the slerp from the identity to q; w < 0 turns the other way, so w = -1 gives q's inverse).
inline PoseQuat pose_qpow(PoseQuat q, double w) {
  if (q.w < 0.0) q = pose_qneg(q);
  double v = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
  if (v < 1e-15) return pose_qidentity();
  double half = std::atan2(v, q.w) * w, s = std::sin(half) / v;
  return {q.x * s, q.y * s, q.z * s, std::cos(half)};
}

inline PoseXf pose_xidentity() { return {{0.0, 0.0, 0.0}, pose_qidentity()}; }
// a applied after b.
inline PoseXf pose_xmul(const PoseXf& a, const PoseXf& b) {
  return {pose_vadd(a.p, pose_qrot(a.q, b.p)), pose_qmul(a.q, b.q)};
}
inline PoseXf pose_xinverse(const PoseXf& a) {
  PoseQuat c = pose_qconj(a.q);
  return {pose_qrot(c, pose_vscale(a.p, -1.0)), c};
}
inline PoseVec pose_xapply(const PoseXf& a, PoseVec v) { return pose_vadd(a.p, pose_qrot(a.q, v)); }
