// hooks.mjs: a module resolve hook for the player's packages. babylon-mmd's ES modules import their
// neighbours without the ".js" that Node's loader requires (they are written for bundlers): a specifier
// that is not found is tried again with ".js".
export async function resolve(specifier, context, next) {
  try {
    return await next(specifier, context);
  } catch (e) {
    if (e && (e.code === "ERR_MODULE_NOT_FOUND" || e.code === "ERR_UNSUPPORTED_DIR_IMPORT") && !specifier.endsWith(".js")) {
      return next(specifier + ".js", context);
    }
    throw e;
  }
}
