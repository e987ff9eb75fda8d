// positions.mjs: the world positions of named bones, a motion played on a model by a real player,
// babylon-mmd (npm, MIT), headless: a NullEngine, its pure JavaScript runtime MmdRuntime, no physics,
// no material builder. Its bone world matrices are in the model's own (PMX) coordinates.
//
//   node --import ./register.mjs positions.mjs MODEL.pmx MOTION.vmd FIRST LAST BONE...
//   node --import ./register.mjs positions.mjs --jobs FILE
//
// prints "FRAME NAME X Y Z" for every frame FIRST..LAST and every BONE (a bone the model lacks is left
// out), as positions.cpp prints them from the pose engine. With --jobs, FILE holds one case a line
// (MODEL, MOTION, FIRST, LAST and the BONEs, separated by tabs), played in one run (the player takes
// about a second to start); each case's lines follow a line "# N", N its place in FILE from 0.
import { readFileSync } from "node:fs";

import { NullEngine } from "@babylonjs/core/Engines/nullEngine.js";
import { LoadAssetContainerAsync } from "@babylonjs/core/Loading/sceneLoader.js";
import { Vector3 } from "@babylonjs/core/Maths/math.vector.js";
import { Scene } from "@babylonjs/core/scene.js";
import "babylon-mmd/esm/Loader/pmxLoader.js";
import { VmdLoader } from "babylon-mmd/esm/Loader/vmdLoader.js";
import "babylon-mmd/esm/Runtime/Animation/mmdRuntimeModelAnimation.js";
import { MmdRuntime } from "babylon-mmd/esm/Runtime/mmdRuntime.js";

const args = process.argv.slice(2);
const jobs = args[0] === "--jobs"
  ? readFileSync(args[1], "utf8").split("\n").filter((l) => l.length > 0).map((l) => l.split("\t"))
  : [args];
if (jobs.some((j) => j.length < 5)) {
  console.error("usage: positions.mjs MODEL.pmx MOTION.vmd FIRST LAST BONE... | --jobs FILE");
  process.exit(2);
}
// The engine's banner goes to the console: keep standard output for the positions.
const log = console.log;
console.log = () => {};
const engine = new NullEngine();

// Plays one case, its lines into lines.
async function play([model_path, motion_path, first_arg, last_arg, ...names], lines) {
  const scene = new Scene(engine);
  const container = await LoadAssetContainerAsync(new Uint8Array(readFileSync(model_path)), scene, {
    pluginExtension: ".pmx",
    pluginOptions: { mmdmodel: { materialBuilder: null, loggingEnabled: false } },
  });
  container.addAllToScene();
  const runtime = new MmdRuntime(scene, null);
  const model = runtime.createMmdModel(container.meshes[0], { buildPhysics: false });
  const bytes = readFileSync(motion_path);
  const motion = await new VmdLoader(scene).loadFromBufferAsync(
    "motion", bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength));
  model.setRuntimeAnimation(model.createRuntimeAnimation(motion));

  const bones = names.map((n) => model.runtimeBones.find((b) => b.name === n)).filter((b) => b !== undefined);
  const at = new Vector3();
  for (let f = Number(first_arg); f <= Number(last_arg); f++) {
    await runtime.seekAnimation(f, true);
    runtime.beforePhysics(0);
    runtime.afterPhysics();
    for (const b of bones) {
      b.getWorldTranslationToRef(at);
      lines.push(`${f} ${b.name} ${at.x.toFixed(6)} ${at.y.toFixed(6)} ${at.z.toFixed(6)}`);
    }
}
  scene.dispose();
}

const lines = [];
for (let i = 0; i < jobs.length; i++) {
  if (args[0] === "--jobs") lines.push(`# ${i}`);
  await play(jobs[i], lines);
}
log(lines.join("\n"));
