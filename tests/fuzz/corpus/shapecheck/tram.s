VELTAA@@@@@@@@@@JINX0s1t______

shape (
	shape_header ( 00000000 00000000 )
	volumes ( 2
		vol_sphere (
			vector ( 0.05 1.8 0 ) 5.36237
		)
		vol_sphere (
			vector ( 4.975 2.1 0 ) 1.21063
		)
	)
	shader_names ( 3
		named_shader ( BlendATexDiff )
		named_shader ( GlossMap )
		named_shader ( TexDiff )
	)
	texture_filter_names ( 1
		named_filter_mode ( MipLinear )
	)
	points ( 40
		point ( -0.0249996 0.88 0.05 )
		point ( 0.0250001 0.88 0.05 )
		point ( 0.0250001 0.88 -0.05 )
		point ( -0.0249996 0.88 -0.05 )
		point ( -0.0249996 -0.02 0.05 )
		point ( 0.0250001 -0.02 -0.05 )
		point ( 0.0250001 -0.02 0.05 )
		point ( -0.0249996 -0.02 -0.05 )
		point ( -0.05 0.05 0.7 )
		point ( 1.35 0.05 0.7 )
		point ( 1.35 0.05 -0.7 )
		point ( -0.05 0.05 -0.7 )
		point ( -0.05 -0.05 0.7 )
		point ( 1.35 -0.05 -0.7 )
		point ( 1.35 -0.05 0.7 )
		point ( -0.05 -0.05 -0.7 )
		point ( -0.1 -4.84288e-08 0.6 )
		point ( 1.6 -4.84288e-08 0.6 )
		point ( 1.6 -4.84288e-08 -0.6 )
		point ( -0.1 -4.84288e-08 -0.6 )
		point ( -0.1 -0.0999999 0.6 )
		point ( 1.6 -0.0999999 -0.6 )
		point ( 1.6 -0.0999999 0.6 )
		point ( -0.1 -0.0999999 -0.6 )
		point ( 4.9 2.6 1.1 )
		point ( 5.05 2.6 1.1 )
		point ( 5.05 2.6 -1.1 )
		point ( 4.9 2.6 -1.1 )
		point ( 4.9 1.6 1.1 )
		point ( 5.05 1.6 -1.1 )
		point ( 5.05 1.6 1.1 )
		point ( 4.9 1.6 -1.1 )
		point ( 5 3 1.25 )
		point ( -5 3 1.25 )
		point ( -5 3 -1.25 )
		point ( 5 3 -1.25 )
		point ( -5 0.5 1.25 )
		point ( 5 0.5 -1.25 )
		point ( 5 0.5 1.25 )
		point ( -5 0.5 -1.25 )
	)
	uv_points ( 4
		uv_point ( 0 0 )
		uv_point ( 1 0 )
		uv_point ( 1 1 )
		uv_point ( 0 1 )
	)
	normals ( 6
		vector ( 0 1 0 )
		vector ( 1 0 0 )
		vector ( -1 0 0 )
		vector ( 0 0 1 )
		vector ( 0 0 -1 )
		vector ( 0 -1 0 )
	)
	sort_vectors ( 1
		vector ( 4.975 2.1 0 )
	)
	colours ( 0 )
	matrices ( 5
		matrix Body ( 1 0 0 0 1 0 0 0 1 0 0 0 )
		matrix WIPERARMLEFT1 ( 1 0 0 0 1 0 0 0 1 5.075 1.6 0.35 )
		matrix PANTOGRAPHBOTTOM1 ( 1 0 0 0 1 0 0 0 1 0 3.05 0 )
		matrix PANTOGRAPHTOP1 ( 1 0 0 0 1 0 0 0 1 1.55 0 0 )
		matrix Glass ( 1 0 0 0 1 0 0 0 1 0 0 0 )
	)
	images ( 5
		image ( METAL.ace )
		image ( GLASS.ace )
		image ( CHROME.ace )
		image ( ROOF.ace )
		image ( TRAM.ace )
	)
	textures ( 5
		texture ( 0 0 -3 ff000000)
		texture ( 1 0 -3 ff000000)
		texture ( 2 0 -3 ff000000)
		texture ( 3 0 -3 ff000000)
		texture ( 4 0 -3 ff000000)
	)
	light_materials ( 0 )
	light_model_cfgs ( 2
		light_model_cfg ( 00000000
			uv_ops ( 2
				uv_op_copy ( 1 0 )
				uv_op_reflectmapfull ( 1 )
			)
		)
		light_model_cfg ( 00000000
			uv_ops ( 1
				uv_op_copy ( 1 0 )
			)
		)
	)
	vtx_states ( 6
		vtx_state ( 00000000 0 -1 0 00000002 )
		vtx_state ( 00000000 0 -5 1 00000002 )
		vtx_state ( 00000000 1 -5 1 00000002 )
		vtx_state ( 00000000 2 -7 1 00000002 )
		vtx_state ( 00000000 3 -7 1 00000002 )
		vtx_state ( 00000000 4 -5 1 00000002 )
	)
	prim_states ( 6
		prim_state ( 00000000 2
			tex_idxs ( 1 4 ) 0 1 0 1 1
		)
		prim_state ( 00000000 2
			tex_idxs ( 1 4 ) 0 2 0 1 1
		)
		prim_state ( 00000000 1
			tex_idxs ( 2 3 2 ) 0 0 0 0 1
		)
		prim_state ( 00000000 0
			tex_idxs ( 1 1 ) 0 5 1 1 1
		)
		prim_state ( 00000000 2
			tex_idxs ( 1 0 ) 0 3 0 1 1
		)
		prim_state ( 00000000 2
			tex_idxs ( 1 0 ) 0 4 0 1 1
		)
	)
	lod_controls ( 1
		lod_control (
			distance_levels_header ( 0 )
			distance_levels ( 3
				distance_level (
					distance_level_header (
						dlevel_selection ( 50 )
						hierarchy ( 5 -1 0 0 2 0 )
					)
					sub_objects ( 2
						sub_object (
							sub_object_header ( 00000400 -1 -1 000001d2 000002c4
								geometry_info ( 48 5 0 144 0 0 5 0 0 0
									geometry_nodes ( 4
										geometry_node ( 2 0 0 0 0
											cullable_prims ( 2 12 36 )
										)
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
									)
									geometry_node_map ( 5 0 1 2 3 -1 )
								)
								subobject_shaders ( 2 1 2 )
								subobject_light_cfgs ( 2 0 1 ) 0
							)
							vertices ( 96
								vertex ( 00000000 33 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 32 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 35 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 34 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 35 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 32 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 38 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 37 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 33 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 34 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 39 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 36 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 32 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 33 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 36 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 38 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 34 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 35 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 37 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 39 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 36 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 37 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 38 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 39 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 2 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 1 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 6 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 5 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 0 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 3 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 7 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 4 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 1 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 0 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 4 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 6 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 3 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 2 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 5 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 7 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 0 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 1 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 2 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 3 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 4 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 5 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 6 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 7 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 18 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 17 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 22 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 21 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 16 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 19 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 23 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 20 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 17 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 16 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 20 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 22 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 19 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 18 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 21 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 23 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 16 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 17 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 18 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 19 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 20 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 21 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 22 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 23 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 10 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 9 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 14 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 13 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 8 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 11 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 15 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 12 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 9 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 8 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 12 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 14 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 11 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 10 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 13 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 15 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 8 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 9 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 10 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 11 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 12 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 13 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 14 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 15 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 5
								vertex_set ( 0 0 4 )
								vertex_set ( 1 4 20 )
								vertex_set ( 2 24 24 )
								vertex_set ( 3 48 24 )
								vertex_set ( 4 72 24 )
							)
							primitives ( 10
								prim_state_idx ( 0 )
								indexed_trilist (
									vertex_idxs ( 30 7 4 5 7 5 6 11 8 9 11 9 10 15 12 13 15 13 14 19 16 17 19 17 18 23 22 20 23 21 22 )
									normal_idxs ( 10 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 5 3 5 3 )
									flags ( 10 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
								prim_state_idx ( 1 )
								indexed_trilist (
									vertex_idxs ( 36 27 24 25 27 25 26 31 28 29 31 29 30 35 32 33 35 33 34 39 36 37 39 37 38 43 40 41 43 41 42 47 46 44 47 45 46 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
								prim_state_idx ( 2 )
								indexed_trilist (
									vertex_idxs ( 6 3 0 1 3 1 2 )
									normal_idxs ( 2 0 3 0 3 )
									flags ( 2 00000000 00000000 )
								)
								prim_state_idx ( 4 )
								indexed_trilist (
									vertex_idxs ( 36 51 48 49 51 49 50 55 52 53 55 53 54 59 56 57 59 57 58 63 60 61 63 61 62 67 64 65 67 65 66 71 70 68 71 69 70 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
								prim_state_idx ( 5 )
								indexed_trilist (
									vertex_idxs ( 36 75 72 73 75 73 74 79 76 77 79 77 78 83 80 81 83 81 82 87 84 85 87 85 86 91 88 89 91 89 90 95 94 92 95 93 94 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
							)
						)
						sub_object (
							sub_object_header ( 00000700 0 1 000001d2 000001c4
								geometry_info ( 12 1 0 36 0 0 1 0 0 0
									geometry_nodes ( 1
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
									)
									geometry_node_map ( 5 -1 -1 -1 -1 0 )
								)
								subobject_shaders ( 1 0 )
								subobject_light_cfgs ( 1 1 ) 1
							)
							vertices ( 24
								vertex ( 00000000 26 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 25 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 30 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 29 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 24 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 27 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 31 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 28 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 25 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 24 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 28 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 30 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 27 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 26 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 29 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 31 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 24 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 25 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 26 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 27 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 28 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 29 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 30 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 31 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 1
								vertex_set ( 5 0 24 )
							)
							primitives ( 2
								prim_state_idx ( 3 )
								indexed_trilist (
									vertex_idxs ( 36 3 0 1 3 1 2 7 4 5 7 5 6 11 8 9 11 9 10 15 12 13 15 13 14 19 16 17 19 17 18 23 22 20 23 21 22 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
							)
						)
					)
				)
				distance_level (
					distance_level_header (
						dlevel_selection ( 200 )
						hierarchy ( 5 -1 -2 0 2 0 )
					)
					sub_objects ( 2
						sub_object (
							sub_object_header ( 00000400 -1 -1 000001d2 000002c4
								geometry_info ( 36 4 0 108 0 0 4 0 0 0
									geometry_nodes ( 3
										geometry_node ( 2 0 0 0 0
											cullable_prims ( 2 12 36 )
										)
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
									)
									geometry_node_map ( 5 0 -1 1 2 -1 )
								)
								subobject_shaders ( 2 1 2 )
								subobject_light_cfgs ( 2 0 1 ) 0
							)
							vertices ( 72
								vertex ( 00000000 33 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 32 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 35 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 34 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 35 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 32 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 38 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 37 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 33 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 34 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 39 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 36 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 32 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 33 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 36 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 38 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 34 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 35 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 37 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 39 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 36 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 37 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 38 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 39 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 18 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 17 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 22 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 21 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 16 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 19 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 23 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 20 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 17 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 16 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 20 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 22 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 19 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 18 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 21 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 23 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 16 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 17 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 18 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 19 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 20 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 21 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 22 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 23 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 10 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 9 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 14 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 13 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 8 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 11 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 15 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 12 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 9 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 8 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 12 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 14 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 11 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 10 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 13 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 15 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 8 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 9 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 10 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 11 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 12 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 13 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 14 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 15 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 4
								vertex_set ( 0 0 4 )
								vertex_set ( 1 4 20 )
								vertex_set ( 3 24 24 )
								vertex_set ( 4 48 24 )
							)
							primitives ( 8
								prim_state_idx ( 0 )
								indexed_trilist (
									vertex_idxs ( 30 7 4 5 7 5 6 11 8 9 11 9 10 15 12 13 15 13 14 19 16 17 19 17 18 23 22 20 23 21 22 )
									normal_idxs ( 10 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 5 3 5 3 )
									flags ( 10 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
								prim_state_idx ( 2 )
								indexed_trilist (
									vertex_idxs ( 6 3 0 1 3 1 2 )
									normal_idxs ( 2 0 3 0 3 )
									flags ( 2 00000000 00000000 )
								)
								prim_state_idx ( 4 )
								indexed_trilist (
									vertex_idxs ( 36 27 24 25 27 25 26 31 28 29 31 29 30 35 32 33 35 33 34 39 36 37 39 37 38 43 40 41 43 41 42 47 46 44 47 45 46 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
								prim_state_idx ( 5 )
								indexed_trilist (
									vertex_idxs ( 36 51 48 49 51 49 50 55 52 53 55 53 54 59 56 57 59 57 58 63 60 61 63 61 62 67 64 65 67 65 66 71 70 68 71 69 70 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
							)
						)
						sub_object (
							sub_object_header ( 00000700 0 1 000001d2 000001c4
								geometry_info ( 12 1 0 36 0 0 1 0 0 0
									geometry_nodes ( 1
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
									)
									geometry_node_map ( 5 -1 -1 -1 -1 0 )
								)
								subobject_shaders ( 1 0 )
								subobject_light_cfgs ( 1 1 ) 1
							)
							vertices ( 24
								vertex ( 00000000 26 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 25 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 30 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 29 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 24 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 27 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 31 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 28 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 25 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 24 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 28 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 30 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 27 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 26 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 29 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 31 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 24 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 25 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 26 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 27 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 28 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 29 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 30 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 31 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 1
								vertex_set ( 5 0 24 )
							)
							primitives ( 2
								prim_state_idx ( 3 )
								indexed_trilist (
									vertex_idxs ( 36 3 0 1 3 1 2 7 4 5 7 5 6 11 8 9 11 9 10 15 12 13 15 13 14 19 16 17 19 17 18 23 22 20 23 21 22 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
							)
						)
					)
				)
				distance_level (
					distance_level_header (
						dlevel_selection ( 1000 )
						hierarchy ( 5 -1 -2 -2 -2 -2 )
					)
					sub_objects ( 1
						sub_object (
							sub_object_header ( 00000400 -1 -1 000001d2 000001c4
								geometry_info ( 12 1 0 36 0 0 1 0 0 0
									geometry_nodes ( 1
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
									)
									geometry_node_map ( 5 0 -1 -1 -1 -1 )
								)
								subobject_shaders ( 1 2 )
								subobject_light_cfgs ( 1 1 ) 0
							)
							vertices ( 24
								vertex ( 00000000 35 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 32 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 38 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 37 1 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 33 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 34 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 39 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 36 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 32 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 33 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 36 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 38 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 34 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 35 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 37 4 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 39 4 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 33 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 32 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 35 0 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 34 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 36 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 37 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 38 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 39 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 1
								vertex_set ( 1 0 24 )
							)
							primitives ( 2
								prim_state_idx ( 0 )
								indexed_trilist (
									vertex_idxs ( 36 3 0 1 3 1 2 7 4 5 7 5 6 11 8 9 11 9 10 15 12 13 15 13 14 19 16 17 19 17 18 23 22 20 23 21 22 )
									normal_idxs ( 12 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 0 3 0 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
							)
						)
					)
				)
			)
		)
	)
	animations ( 1
		animation ( 60 30
			anim_nodes ( 5
				anim_node Body (
					controllers ( 0
					)
				)
				anim_node WIPERARMLEFT1 (
					controllers ( 2
						tcb_rot ( 3
							tcb_key ( 0 -0 -0 -0 1 0 0 0 0 0 )
							tcb_key ( 15 -0.564642 -0 -0 0.825336 0 0 0 0 0 )
							tcb_key ( 30 -0 -0 -0 1 0 0 0 0 0 )
						)
						linear_pos ( 2
							linear_key ( 0 5.075 1.6 0.35 )
							linear_key ( 60 5.075 1.6 0.35 )
						)
					)
				)
				anim_node PANTOGRAPHBOTTOM1 (
					controllers ( 1
						tcb_rot ( 3
							tcb_key ( 0 -0 -0 -0 1 0 0 0 0 0 )
							tcb_key ( 30 -0 -0 0.198669 0.980067 0 0 0 0 0 )
							tcb_key ( 60 -0 -0 -0 1 0 0 0 0 0 )
						)
					)
				)
				anim_node PANTOGRAPHTOP1 (
					controllers ( 2
						tcb_rot ( 3
							tcb_key ( 0 -0 -0 -0 1 0 0 0 0 0 )
							tcb_key ( 30 -0 -0 -0.389418 0.921061 0 0 0 0 0 )
							tcb_key ( 60 -0 -0 -0 1 0 0 0 0 0 )
						)
						linear_pos ( 3
							linear_key ( 0 1.55 3.05 0 )
							linear_key ( 30 1.55 3.5 0 )
							linear_key ( 60 1.55 3.05 0 )
						)
					)
				)
				anim_node Glass (
					controllers ( 0
					)
				)
			)
		)
	)
)
