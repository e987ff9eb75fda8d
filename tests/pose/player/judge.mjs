// judge.mjs: how a motion plays on a model (T) against another motion on the body it was made for (S),
// judged from a real player's poses: babylon-mmd (npm, MIT) headless, as positions.mjs plays it (a
// NullEngine, the JavaScript runtime, no physics), with each model's own IK.
//
//   node --import ./register.mjs judge.mjs --jobs FILE
//
// FILE holds one case a line, its fields separated by tabs: S's model, S's motion, the last frame, T's
// model, then one or more motions for T. For each motion for T it prints one line of JSON with the
// figures below, worked out here from the player's bone poses alone, by these rules:
// - a foot's contact height: the lower of its heel (足首's height over its rest) and its toe (the toe
//   IK's target, else つま先, else 足先: its height over its rest); S's foot is planted where that is
//   within 0.05 x S's leg (|足 - 足首| at rest) of the floor and the lower point moves less than 0.02 x leg
//   from the frame before, for 3 frames or more;
// - a wrist touches where it lies within 1.7 x (S's arm / 5.2434) of the other wrist, 頭, 首 or 下半身
//   (the nearest);
// - ratios: legs |足 - 足首|, heights 足.y - 足首.y, feet |足首 - toe|, arms |腕 - ひじ| + |ひじ - 手首|
//   (left side), T over S;
// - floor: at S's planted frames |T's contact height - S's x r_foot| (mean, 95th percentile); sink, at
//   the same frames: the deepest T's contact goes below the floor beyond S's (x r_foot); slide: per contact frame, T's lower
//   point's horizontal travel less S's x r_legs; reach: frames where a foot of T lies more than 0.05
//   from its 足ＩＫ and S's does not, or a knee of T sits at a limit of its IK link (within 0.001
//   radians) and S's does not; hands: at S's touching frames |d_T - d_S x r_arm|; hips: |T's mean 足
//   height / S's - r_heights| where S's is above a tenth of its rest.
import { readFileSync } from "node:fs";

import { NullEngine } from "@babylonjs/core/Engines/nullEngine.js";
import { LoadAssetContainerAsync } from "@babylonjs/core/Loading/sceneLoader.js";
import { Scene } from "@babylonjs/core/scene.js";
import "babylon-mmd/esm/Loader/pmxLoader.js";
import { VmdLoader } from "babylon-mmd/esm/Loader/vmdLoader.js";
import "babylon-mmd/esm/Runtime/Animation/mmdRuntimeModelAnimation.js";
import { MmdRuntime } from "babylon-mmd/esm/Runtime/mmdRuntime.js";

const SIDES = ["左", "右"];
const log = console.log;
console.log = () => {};
const engine = new NullEngine();

// A model loaded with one motion: its bones by name and their rest positions.
async function load(modelPath, motionPath) {
  const scene = new Scene(engine);
  const container = await LoadAssetContainerAsync(new Uint8Array(readFileSync(modelPath)), scene, {
    pluginExtension: ".pmx",
    pluginOptions: { mmdmodel: { materialBuilder: null, loggingEnabled: false } },
  });
  container.addAllToScene();
  const runtime = new MmdRuntime(scene, null);
  const model = runtime.createMmdModel(container.meshes[0], { buildPhysics: false });
  const bone = (name) => model.runtimeBones.find((b) => b.name === name) ?? null;
  // A bone's rest position: its inverse bind matrix undoes it (rest poses turn no bone).
  const rest = new Map();
  for (const b of model.runtimeBones) {
    const m = b.linkedBone.getAbsoluteInverseBindMatrix().m;
    rest.set(b.name, [-m[12], -m[13], -m[14]]);
  }
  const bytes = readFileSync(motionPath);
  const motion = await new VmdLoader(scene).loadFromBufferAsync(
    "motion", bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength));
  model.setRuntimeAnimation(model.createRuntimeAnimation(motion));
  const legs = SIDES.map((s) => {
    const ik = bone(s + "足ＩＫ");
    const toeIk = bone(s + "つま先ＩＫ");
    const knee = bone(s + "ひざ");
    let limit = null;
    if (ik && ik.ikSolver) {
      const chain = ik.ikSolver._ikChains.find((c) => c.bone === knee);
      if (chain && chain.minimumAngle) limit = { min: chain.minimumAngle.asArray(), max: chain.maximumAngle.asArray(), order: chain.rotationOrder };
    }
    const toe = toeIk && toeIk.ikSolver ? toeIk.ikSolver.targetBone : bone(s + "つま先") ?? bone(s + "足先");
    return { hip: bone(s + "足"), knee, ankle: bone(s + "足首"), toe, ik, limit };
  });
  const arms = SIDES.map((s) => ({ arm: bone(s + "腕"), elbow: bone(s + "ひじ"), wrist: bone(s + "手首") }));
  const parts = { head: bone("頭"), neck: bone("首"), lower: bone("下半身") };
  return { scene, runtime, model, rest, legs, arms, parts };
}

const sub = (a, b) => [a[0] - b[0], a[1] - b[1], a[2] - b[2]];
const len = (a) => Math.hypot(a[0], a[1], a[2]);
const restOf = (body, b) => (b ? body.rest.get(b.name) : null);
const at = (b) => [b.worldMatrix[12], b.worldMatrix[13], b.worldMatrix[14]];

// The rotation (column vectors, rows of three) of a bone's world matrix (babylon stores it transposed).
function rotation(b) {
  const m = b.worldMatrix;
  return [[m[0], m[4], m[8]], [m[1], m[5], m[9]], [m[2], m[6], m[10]]];
}

// The knee's Euler angles (X, Y, Z) in the order its IK link limits them (0 YXZ, 1 ZYX, 2 XZY).
function euler(r, order) {
  const c = (v) => Math.max(-1, Math.min(1, v));
  if (order === 0) return [Math.asin(c(-r[1][2])), Math.atan2(r[0][2], r[2][2]), Math.atan2(r[1][0], r[1][1])];
  if (order === 1) return [Math.atan2(r[2][1], r[2][2]), Math.asin(c(-r[2][0])), Math.atan2(r[1][0], r[0][0])];
  return [Math.atan2(r[2][1], r[1][1]), Math.atan2(r[0][2], r[0][0]), Math.asin(c(-r[0][1]))];
}

function atLimit(leg) {
  if (!leg.limit || !leg.knee || !leg.knee.parentBone) return false;
  const p = rotation(leg.knee.parentBone), k = rotation(leg.knee);
  // local = parent^T k
  const l = [0, 1, 2].map((i) => [0, 1, 2].map((j) => p[0][i] * k[0][j] + p[1][i] * k[1][j] + p[2][i] * k[2][j]));
  const a = euler(l, leg.limit.order);
  for (let i = 0; i < 3; i++) {
    if (leg.limit.min[i] === leg.limit.max[i]) continue;
    if (Math.abs(a[i] - leg.limit.min[i]) < 1e-3 || Math.abs(a[i] - leg.limit.max[i]) < 1e-3) return true;
  }
  return false;
}

// One frame of a body: per foot the heel and toe heights and points, the miss and the knee; the wrists;
// the parts; the hips' height.
async function frame(body, f) {
  await body.runtime.seekAnimation(f, true);
  body.runtime.beforePhysics(0);
  body.runtime.afterPhysics();
  const feet = body.legs.map((l) => {
    if (!l.ankle) return null;
    const ankle = at(l.ankle), toe = l.toe ? at(l.toe) : ankle;
    const heel = ankle[1] - restOf(body, l.ankle)[1];
    const tip = l.toe ? toe[1] - restOf(body, l.toe)[1] : heel;
    return { ankle, toe, heel, tip, height: Math.min(heel, tip), lowerIsToe: tip < heel,
             miss: l.ik ? len(sub(at(l.ik), ankle)) : 0, limit: atLimit(l), hip: l.hip ? at(l.hip) : null };
  });
  const wrists = body.arms.map((a) => (a.wrist ? at(a.wrist) : null));
  const parts = [body.parts.head, body.parts.neck, body.parts.lower].map((b) => (b ? at(b) : null));
  const hips = feet.filter((x) => x && x.hip).map((x) => x.hip[1]);
  return { feet, wrists, parts, hips: hips.length ? hips.reduce((a, b) => a + b, 0) / hips.length : 0 };
}

function lengths(body) {
  const r = (b) => restOf(body, b);
  const l = body.legs[0], a = body.arms[0];
  return {
    leg: len(sub(r(l.hip), r(l.ankle))),
    crotch: r(l.hip)[1] - r(l.ankle)[1],
    foot: len(sub(r(l.ankle), r(l.toe))),
    arm: len(sub(r(a.arm), r(a.elbow))) + len(sub(r(a.elbow), r(a.wrist))),
    hip: r(l.hip)[1],
  };
}

// S's contacts: planted[side][f].
function contacts(frames, leg) {
  const low = 0.05 * leg, still = 0.02 * leg;
  return [0, 1].map((side) => {
    const n = frames.length;
    const raw = frames.map((fr, f) => {
      const a = fr.feet[side];
      if (!a) return false;
      const b = frames[f > 0 ? f - 1 : Math.min(1, n - 1)].feet[side];
      const moved = a.lowerIsToe ? len(sub(a.toe, b.toe)) : len(sub(a.ankle, b.ankle));
      return a.height <= low && moved < still;
    });
    const out = raw.slice();
    for (let i = 0; i < n;) {
      if (!raw[i]) { i++; continue; }
      let j = i;
      while (j < n && raw[j]) j++;
      if (j - i < 3) for (let k = i; k < j; k++) out[k] = false;
      i = j;
    }
    return out;
  });
}

// S's touches: partner[side][f] (0 the other wrist, 1 頭, 2 首, 3 下半身, -1 none).
function touches(frames, near) {
  return [0, 1].map((side) => frames.map((fr) => {
    const w = fr.wrists[side];
    if (!w) return -1;
    const points = [fr.wrists[1 - side], ...fr.parts];
    let best = -1, d = near;
    points.forEach((p, k) => {
      if (p && len(sub(w, p)) < d) d = len(sub(w, p)), best = k;
    });
    return best;
  }));
}

const horizontal = (a, b) => Math.hypot(a[0] - b[0], a[2] - b[2]);

function judge(s, t, r, planted, partner, hipRest) {
  const floor = [];
  let sink = 0, sinkFrames = 0, slideSum = 0, slides = 0, slideMax = 0, miss = 0, limit = 0, reach = 0;
  let handSum = 0, hands = 0, handMax = 0, hipSum = 0, hipN = 0, hipMax = 0;
  for (let f = 0; f < s.length; f++) {
    let deepest = 0, missed = false, held = false;
    for (let side = 0; side < 2; side++) {
      const a = s[f].feet[side], b = t[f].feet[side];
      if (!a || !b) continue;
      const want = r.feet * a.height;
      missed = missed || (b.miss > 0.05 && !(a.miss > 0.05));
      held = held || (b.limit && !a.limit);
      if (!planted[side][f]) continue;
      deepest = Math.max(deepest, Math.max(0, -b.height) - Math.max(0, -want));
      floor.push(Math.abs(b.height - want));
      if (f === 0 || !planted[side][f - 1]) continue;
      const a0 = s[f - 1].feet[side], b0 = t[f - 1].feet[side];
      const travelS = a.lowerIsToe ? horizontal(a.toe, a0.toe) : horizontal(a.ankle, a0.ankle);
      const travelT = a.lowerIsToe ? horizontal(b.toe, b0.toe) : horizontal(b.ankle, b0.ankle);
      const excess = Math.max(0, travelT - r.legs * travelS);
      slideSum += excess, slides++, slideMax = Math.max(slideMax, excess);
    }
    sink = Math.max(sink, deepest);
    sinkFrames += deepest > 0.05 ? 1 : 0;
    miss += missed ? 1 : 0;
    limit += held ? 1 : 0;
    reach += missed || held ? 1 : 0;
    for (let side = 0; side < 2; side++) {
      const k = partner[side][f];
      if (k < 0) continue;
      const point = (fr) => (k === 0 ? fr.wrists[1 - side] : fr.parts[k - 1]);
      const off = Math.abs(len(sub(t[f].wrists[side], point(t[f]))) - len(sub(s[f].wrists[side], point(s[f]))) * r.arms);
      handSum += off, hands++, handMax = Math.max(handMax, off);
    }
    if (s[f].hips > 0.1 * hipRest && t[f].hips !== 0) {
      const off = Math.abs(t[f].hips / s[f].hips - r.heights);
      hipSum += off, hipN++, hipMax = Math.max(hipMax, off);
    }
  }
  floor.sort((x, y) => x - y);
  const p95 = floor.length ? floor[Math.round(0.95 * (floor.length - 1))] : 0;
  return {
    frames: s.length, planted: floor.length, floor_mean: floor.length ? floor.reduce((x, y) => x + y, 0) / floor.length : 0,
    floor_p95: p95, sink, sink_frames: sinkFrames, slide_mean: slides ? slideSum / slides : 0, slide_max: slideMax,
    miss_frames: miss, limit_frames: limit, reach_frames: reach, touching: hands, hands_mean: hands ? handSum / hands : 0,
    hands_max: handMax, hips_mean: hipN ? hipSum / hipN : 0, hips_max: hipMax,
  };
}

async function play(body, last) {
  const out = [];
  for (let f = 0; f <= last; f++) out.push(await frame(body, f));
  body.scene.dispose();
  return out;
}

const args = process.argv.slice(2);
if (args.length !== 2 || args[0] !== "--jobs") {
  console.error("usage: judge.mjs --jobs FILE");
  process.exit(2);
}
const jobs = readFileSync(args[1], "utf8").split("\n").filter((l) => l.length > 0).map((l) => l.split("\t"));
for (const [sModel, sMotion, lastArg, tModel, ...tMotions] of jobs) {
  const last = Number(lastArg);
  const source = await load(sModel, sMotion);
  const ls = lengths(source);
  const s = await play(source, last);
  const planted = contacts(s, ls.leg);
  const partner = touches(s, 1.7 * ls.arm / 5.2434);
  for (const tMotion of tMotions) {
    const target = await load(tModel, tMotion);
    const lt = lengths(target);
    const r = { legs: lt.leg / ls.leg, heights: lt.crotch / ls.crotch, feet: lt.foot / ls.foot, arms: lt.arm / ls.arm };
    const t = await play(target, last);
    log(JSON.stringify({ motion: tMotion, ratios: r, ...judge(s, t, r, planted, partner, ls.hip) }));
  }
}
