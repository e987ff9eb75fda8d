// register.mjs: installs hooks.mjs before the player's modules load (node --import ./register.mjs ...).
import { register } from "node:module";
register("./hooks.mjs", import.meta.url);
